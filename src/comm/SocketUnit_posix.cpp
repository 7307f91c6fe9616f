#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "comm/SocketUnit.h"

namespace vexilo {
namespace {

constexpr uint16_t kFirstPort = 8000;
constexpr uint16_t kRangeFirst = 8100;
constexpr uint16_t kRangeLast = 9099;
constexpr size_t kDrainBuffer = 1025;
constexpr char kBroadcastText[] = "255.255.255.255";

struct UdpLinkState {
  int Socket = -1;
  bool Broadcast = false;
  uint16_t LocalPort = 0;
  bool CardSet = false;
  sockaddr_in Card{};
  UdpSendHook SendHook;
};

UdpLinkState g_udp;

void CloseSocket() {
  if (g_udp.Socket >= 0) ::close(g_udp.Socket);
  g_udp.Socket = -1;
  g_udp.Broadcast = false;
  g_udp.LocalPort = 0;
}

bool TryBind(int fd, uint16_t port) {
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_addr.s_addr = htonl(INADDR_ANY);
  local.sin_port = htons(port);
  return ::bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0;
}

// Makes the socket: bound from 8000 upward, broadcast allowed when asked,
// non-blocking. On failure nothing is kept.
bool CreateSocket(bool broadcast) {
  int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  uint16_t port = kFirstPort;
  bool bound = TryBind(fd, port);
  for (uint16_t next = kRangeFirst; !bound && next <= kRangeLast; ++next) {
    port = next;
    bound = TryBind(fd, port);
  }
  if (!bound) {
    ::close(fd);
    return false;
  }
  int on = 1;
  if (broadcast && ::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0) {
    ::close(fd);
    return false;
  }
  int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0) {
    ::close(fd);
    return false;
  }
  g_udp.Socket = fd;
  g_udp.Broadcast = broadcast;
  g_udp.LocalPort = port;
  return true;
}

// Whether any sender may answer for the card: the card's address is the
// broadcast address (or a group or the unspecified address), so that the
// card's own address is not known in advance; or no card is set.
bool AnySenderMayAnswer() {
  if (!g_udp.CardSet || g_udp.Broadcast) return true;
  const uint32_t card = ntohl(g_udp.Card.sin_addr.s_addr);
  return card == INADDR_ANY || card == INADDR_BROADCAST || IN_MULTICAST(card);
}

// Whether a datagram came from the card: from the card's IPv4 address when
// that is a unicast address, from anyone otherwise. Only the address is
// compared: a card is addressed at its port but may answer from another.
bool FromTheCard(const sockaddr_in& from, socklen_t length) {
  if (AnySenderMayAnswer()) return true;
  return length >= sizeof from && from.sin_family == AF_INET && from.sin_addr.s_addr == g_udp.Card.sin_addr.s_addr;
}

}  // namespace

std::recursive_mutex& UdpLinkLock() {
  static std::recursive_mutex lock;
  return lock;
}

void CloseUdpSocket() {
  std::lock_guard<std::recursive_mutex> hold(UdpLinkLock());
  CloseSocket();
  g_udp.CardSet = false;
}

bool OpenUdpLink(const char* address, uint16_t port) {
  UdpLinkLock().lock();
  in_addr parsed{};
  // Only a dotted IPv4 address will do: anything else would otherwise turn
  // into the all-ones (broadcast) address.
  if (address == nullptr || ::inet_pton(AF_INET, address, &parsed) != 1) {
    UdpLinkLock().unlock();
    return false;
  }
  g_udp.Card = sockaddr_in{};
  g_udp.Card.sin_family = AF_INET;
  g_udp.Card.sin_port = htons(port);
  g_udp.Card.sin_addr = parsed;
  g_udp.CardSet = true;

  const bool broadcast = std::strcmp(address, kBroadcastText) == 0;
  if (broadcast) CloseSocket();
  if (g_udp.Socket >= 0) return true;
  if (!CreateSocket(broadcast)) {
    g_udp.CardSet = false;
    UdpLinkLock().unlock();
    return false;
  }
  return true;
}

void CloseUdpLink() {
  if (g_udp.Broadcast) {
    CloseSocket();
    CreateSocket(false);
  }
  g_udp.CardSet = false;
  UdpLinkLock().unlock();
}

bool UdpSend(const uint8_t* data, size_t n) {
  if (!g_udp.CardSet || (n > 0 && data == nullptr)) return false;
  if (g_udp.SendHook) {
    return g_udp.SendHook(ntohl(g_udp.Card.sin_addr.s_addr), ntohs(g_udp.Card.sin_port), data, n);
  }
  if (g_udp.Socket < 0) return false;
  ssize_t sent;
  do {
    sent = ::sendto(g_udp.Socket, data, n, 0, reinterpret_cast<const sockaddr*>(&g_udp.Card),
                    sizeof g_udp.Card);
  } while (sent < 0 && errno == EINTR);
  return sent >= 0 && static_cast<size_t>(sent) == n;
}

int UdpReceive(uint8_t* buffer, uint32_t waitMs) {
  if (g_udp.Socket < 0 || buffer == nullptr) return 0;
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(waitMs);
  for (;;) {
    sockaddr_in from{};
    socklen_t fromLength = sizeof from;
    ssize_t r = ::recvfrom(g_udp.Socket, buffer, kUdpReplyBuffer, 0, reinterpret_cast<sockaddr*>(&from), &fromLength);
    if (r >= 0) {
      if (FromTheCard(from, fromLength)) return static_cast<int>(r);
      // Someone else's datagram: dropped, and the wait goes on to its end.
    } else {
      if (errno == EINTR) continue;
      if (errno != EAGAIN && errno != EWOULDBLOCK) {
        // A failed receive (an ICMP error from an earlier send, say) is not
        // a reply; keep waiting for one.
        if (errno != ECONNREFUSED && errno != EHOSTUNREACH && errno != ENETUNREACH) return 0;
      }
    }
    auto left = deadline - Clock::now();
    if (left <= Clock::duration::zero()) return 0;
    auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
    struct pollfd pfd = {g_udp.Socket, POLLIN, 0};
    if (::poll(&pfd, 1, static_cast<int>(ms)) < 0 && errno != EINTR) return 0;
  }
}

void DrainUdp() {
  std::unique_lock<std::recursive_mutex> hold(UdpLinkLock(), std::try_to_lock);
  if (!hold.owns_lock() || g_udp.Socket < 0) return;
  uint8_t scrap[kDrainBuffer];
  for (;;) {
    ssize_t r = ::recv(g_udp.Socket, scrap, sizeof scrap, 0);
    if (r >= 0) continue;
    if (errno == EINTR || errno == ECONNREFUSED) continue;
    return;
  }
}

bool UdpSocketExists() { return g_udp.Socket >= 0; }
uint16_t UdpLocalPort() { return g_udp.LocalPort; }
bool UdpIsBroadcast() { return g_udp.Socket >= 0 && g_udp.Broadcast; }

void SetUdpSendHook(UdpSendHook hook) {
  std::lock_guard<std::recursive_mutex> hold(UdpLinkLock());
  g_udp.SendHook = std::move(hook);
}

}  // namespace vexilo
