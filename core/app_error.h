// The one error type that reaches the user: it carries only its message text
// (code page 932), which the program's general error reporting shows.
#pragma once

#include <exception>
#include <string>

namespace moxlyn {

class AppError : public std::exception {
 public:
  explicit AppError(std::string message) : message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& Message() const noexcept { return message_; }

 private:
  std::string message_;
};

}  // namespace moxlyn
