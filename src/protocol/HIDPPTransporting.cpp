#include "protocol/HIDPPTransporting.h"

#include "protocol/HIDPPError.h"
#include "protocol/HIDPPRequest.h"

namespace flitbar {

Report HIDPPTransporting::exchangeRequest(const HIDPPRequest& request, double timeoutSeconds) {
  auto answer =
      exchange(request.device, request.feature, request.function, request.params, request.longReport, timeoutSeconds);
  if (!request.echoMatches(answer)) throw HIDPPError::malformedResponse();
  return answer;
}

}  // namespace flitbar
