// Layout of the message router's own process messages, shared by its two
// sides. Names come from the configuration: "<js_query_function>Msg" and
// "<js_cancel_function>Msg" ("cefQueryMsg", "cefQueryCancelMsg").
//
// render -> browser query:  [0] frame id (double: lists hold no int64)
//                           [1] context id (int)  [2] request id (int)
//                           [3] request (string)  [4] persistent (bool)
// browser -> render reply:  [0] context id  [1] request id  [2] success (bool)
//                           success: [3] response (string)
//                           failure: [3] error code (int) [4] message (string)
// render -> browser cancel: [0] context id  [1] request id (0: every query of
//                           that context)
#ifndef FRAMEWORK_SRC_WRAPPER_MESSAGE_ROUTER_PROTOCOL_H_
#define FRAMEWORK_SRC_WRAPPER_MESSAGE_ROUTER_PROTOCOL_H_

#include <string>

#include "include/wrapper/cef_message_router.h"

namespace cef_internal {

inline std::string QueryMessageName(const CefMessageRouterConfig& config) {
  return config.js_query_function.ToString() + "Msg";
}
inline std::string CancelMessageName(const CefMessageRouterConfig& config) {
  return config.js_cancel_function.ToString() + "Msg";
}

// Error given to a page whose query no handler took, or that was cancelled.
constexpr int kQueryCanceledCode = -1;
constexpr char kQueryCanceledMessage[] = "The query has been canceled";

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_WRAPPER_MESSAGE_ROUTER_PROTOCOL_H_
