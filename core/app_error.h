// The one error type that reaches the user: it carries only its message text,
// which the program's general error reporting shows. The message is the
// program's own text (code page 932) except for the path of the file it may
// name, which is UTF-8; the error knows where that path stands so that each
// part is shown in its own form.
#pragma once

#include <exception>
#include <string>
#include <string_view>

namespace moxlyn {

class AppError : public std::exception {
 public:
  explicit AppError(std::string message) : message_(std::move(message)) {}
  // A message about the file at path: format with its "%s" standing for it.
  AppError(std::string_view format, const std::string& path) : message_(format) {
    const size_t at = message_.find("%s");
    if (at == std::string::npos) return;
    message_.replace(at, 2, path);
    pathStart_ = at;
    pathLength_ = path.size();
  }
  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& Message() const noexcept { return message_; }
  // Where the path stands in Message(); a length of 0 when it names none.
  size_t PathStart() const noexcept { return pathStart_; }
  size_t PathLength() const noexcept { return pathLength_; }

 private:
  std::string message_;
  size_t pathStart_ = 0;
  size_t pathLength_ = 0;
};

}  // namespace moxlyn
