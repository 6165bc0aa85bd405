#pragma once
// The terminal's state as the JSON that lemnar-replay --cells writes.

#include <string>

namespace lemnar {

class TTerminal;

std::string StateJson(const TTerminal& t);

} // namespace lemnar
