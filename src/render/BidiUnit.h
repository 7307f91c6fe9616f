// Right-to-left text for the continuous line: the logical order of a string
// turned into the order it is drawn in, with Arabic letters in their joined
// (presentation) forms, by FriBidi.
#pragma once
#include <string>
#include <string_view>

namespace vexilo {

// The string as drawn from left to right; strings without right-to-left
// characters come back unchanged.
std::u16string VisualOrder(std::u16string_view logical);

}  // namespace vexilo
