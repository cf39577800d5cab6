// The main of the GPU-like child ("--type=gpu-process"): it waits for the
// browser process that launched it to end, or to end it.
#ifndef FRAMEWORK_SRC_PROCESS_GPU_PROCESS_MAIN_H_
#define FRAMEWORK_SRC_PROCESS_GPU_PROCESS_MAIN_H_

namespace cef_internal {

class GpuProcessMain {
 public:
  // Returns 0 once the browser process has ended; kNoChannelExitCode at once
  // when "--kx-browser-pid" names no process it may wait for.
  static int Run();

  GpuProcessMain() = delete;
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_PROCESS_GPU_PROCESS_MAIN_H_
