// Whether this process runs under Wine, whose system libraries differ from
// Windows' in ways the component works around (its thread pool's waits, its
// shell's fixed buffers).
#ifndef COMMON_UNDER_WINE_H_
#define COMMON_UNDER_WINE_H_

bool RunningUnderWine();

#endif  // COMMON_UNDER_WINE_H_
