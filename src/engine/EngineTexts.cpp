#include "engine/EngineTexts.h"

#include "protocol/HIDPPError.h"

namespace flitbar::EngineTexts {

std::string joined(const std::vector<std::string>& names) {
  std::string text;
  for (const auto& name : names) {
    if (!text.empty()) text += ", ";
    text += name;
  }
  return text;
}

std::string errorText(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const HIDPPError& failure) {
    return failure.description();
  } catch (const std::exception& failure) {
    return failure.what();
  } catch (...) {
    return "unknown error";
  }
}

}  // namespace flitbar::EngineTexts
