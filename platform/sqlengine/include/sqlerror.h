// Oracle-style error records of the embedded SQL engine.
#pragma once

#include <cstdint>
#include <string>

namespace sqlengine {

// The standard text of an Oracle error number, with its "ORA-nnnnn: " prefix.
std::string OracleMessage(int32_t code);

// One error: the Oracle error number (positive, 0 = none) and its full message.
struct Error {
  int32_t code = 0;
  std::string message;

  // Sets the error to the standard text of `code`, followed by ": " and `detail` when one is given.
  // Always returns false, so that failing paths can write `return err.Set(...)`.
  bool Set(int32_t c, const std::string& detail = std::string());
  // Sets the error to a message written by the caller (used for texts with parameters).
  bool SetText(int32_t c, const std::string& text);
  void Clear() { code = 0; message.clear(); }
  bool Has() const { return code != 0; }
};

// Formats "ORA-" + the number on five digits (ORA-00942, ORA-20099).
std::string OraPrefix(int32_t code);

}  // namespace sqlengine
