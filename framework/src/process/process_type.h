// The process type this process was started as, from the "--type" switch of
// its own command line: empty for the browser process.
#ifndef FRAMEWORK_SRC_PROCESS_PROCESS_TYPE_H_
#define FRAMEWORK_SRC_PROCESS_PROCESS_TYPE_H_

#include <string>

namespace cef_internal {

std::wstring CurrentProcessType();

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_PROCESS_PROCESS_TYPE_H_
