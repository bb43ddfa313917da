#pragma once

#include <exception>
#include <string>

namespace flitbar {

// Refusals of the command line, each with the text the user sees after "error: ".
class CLIError : public std::exception {
 public:
  enum class Kind { usage, appRunning };

  // `text` starts with "usage: ".
  static CLIError usage(std::string text);
  static CLIError appRunning();

  Kind kind() const { return kind_; }
  const std::string& description() const { return description_; }
  const char* what() const noexcept override { return description_.c_str(); }

  bool operator==(const CLIError&) const = default;

 private:
  CLIError(Kind kind, std::string description) : kind_(kind), description_(std::move(description)) {}

  Kind kind_;
  std::string description_;
};

}  // namespace flitbar
