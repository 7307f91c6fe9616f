// The library's one UDP link: a single datagram socket that lives from its
// first use until unload, addressed to one card (or to the broadcast address)
// for the length of one use, and the lock a thread holds for that use.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>

namespace vexilo {

// Closes the socket if there is one and forgets the card's address: at load
// (so that no socket exists) and at unload.
void CloseUdpSocket();

// The lock held from OpenUdpLink to CloseUdpLink; the holder may take it again.
std::recursive_mutex& UdpLinkLock();

// Begins a use of the link: takes UdpLinkLock, sets the card's address and
// makes sure a socket exists (bound to local port 8000, else the first free
// one of 8100 to 9099; non-blocking). "255.255.255.255" always gets a new
// broadcast socket. False, with the lock released, when the address is not a
// dotted IPv4 address or no socket can be made.
bool OpenUdpLink(const char* address, uint16_t port);
// Ends the use: a broadcast socket is replaced by a new unicast one at once;
// the card's address is forgotten; the lock is released.
void CloseUdpLink();

// One datagram to the card's address; true when every byte went out.
bool UdpSend(const uint8_t* data, size_t n);
// Size of a reply datagram; longer ones are cut to it.
inline constexpr size_t kUdpReplyBuffer = 200;
// Waits up to waitMs for a datagram from the card and takes at most
// kUdpReplyBuffer bytes of it; gives its length, or 0 when none came in time.
// A datagram already waiting is taken at once.
// Which senders count as the card: when the card's address is a unicast
// address, only datagrams whose source IPv4 address is that address (from
// any port: a card may answer from a port other than the one it is
// addressed at); datagrams from other addresses are dropped unread and do
// not end or extend the wait. With the broadcast address (also a multicast
// group or 0.0.0.0) the card's address is not known, and any sender may
// answer.
int UdpReceive(uint8_t* buffer, uint32_t waitMs);
// Discards every datagram already waiting. Does nothing without a socket, or
// while another thread holds the link.
void DrainUdp();

bool UdpSocketExists();
// Local port of the socket, 0 without one.
uint16_t UdpLocalPort();
// Whether the socket was made for the broadcast address.
bool UdpIsBroadcast();

// Test seam: while set, UdpSend hands the destination (IPv4 address and port,
// host byte order) and the bytes to the hook instead of sending, and gives
// the hook's answer. Tests use it for the broadcast address, which must never
// see a real datagram from them.
using UdpSendHook = std::function<bool(uint32_t address, uint16_t port, const uint8_t* data, size_t n)>;
void SetUdpSendHook(UdpSendHook hook);

// Ends a use of the link that OpenUdpLink began, when it goes out of scope.
class UdpLinkCloser {
 public:
  UdpLinkCloser() = default;
  ~UdpLinkCloser() { CloseUdpLink(); }
  UdpLinkCloser(const UdpLinkCloser&) = delete;
  UdpLinkCloser& operator=(const UdpLinkCloser&) = delete;
};

}  // namespace vexilo
