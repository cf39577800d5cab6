// Imports bound on first call. A program that links a Win32 function through
// KX_LAZY_IMPORT does not name its library in its import table: the library
// is loaded (from the system folder only) the first time one of its functions
// is called. Under Wine, user32 and what it drags along are most of a small
// program's start, and a process that only asks which process it is never
// calls them.
//
// 32-bit x86 only: each entry defines the import slot "__imp__NAME@BYTES"
// that calls through dllimport declarations use, and the jump through it,
// "_NAME@BYTES", that plain declarations (winhttp.h, bcrypt.h) call: the
// linker then needs nothing of the import library. The slot's first value is
// a stub that binds it and jumps on with the caller's frame untouched.
#ifndef APP_LAZY_IMPORTS_LAZY_IMPORT_H_
#define APP_LAZY_IMPORTS_LAZY_IMPORT_H_

#if !defined(__i386__)
#error "Lazy imports are written for 32-bit x86 (stdcall import slots)"
#endif

// What a stub hands to the binder.
struct LazyImport {
  void** slot;
  const char* module;  // a file in the system folder, e.g. "user32.dll"
  const char* name;
};

// Loads |import|'s module, stores the function's address in its slot and
// returns it. A module or function that cannot be had raises the exception a
// failed delayed import raises (0xC06D007E / 0xC06D007F), as the loader
// would have refused to start the program. Leaves the thread's last error
// alone. Any thread; binding twice is harmless.
extern "C" void* __cdecl kx_BindLazyImport(const LazyImport* import);

// The "@N" of a stdcall function's name: its arguments' size on the stack.
template <typename R, typename... Args>
constexpr int StdcallArgBytes(R(__stdcall*)(Args...)) {
  return (0 + ... + static_cast<int>((sizeof(Args) + 3) / 4 * 4));
}

#define KX_LAZY_STRINGIFY_(x) #x
#define KX_LAZY_STRINGIFY(x) KX_LAZY_STRINGIFY_(x)

// |module| is a string literal, |name| the function, |arg_bytes| the size of
// its arguments (the "@N" of its stdcall name).
#define KX_LAZY_IMPORT(module, name, arg_bytes)         \
  static_assert(StdcallArgBytes(&::name) == arg_bytes,  \
                "the import's argument size is wrong"); \
  asm(".section .rdata,\"dr\"\n"                                           \
      "kx_lazy_module_" #name ":\n"                                        \
      "  .asciz \"" module "\"\n"                                          \
      "kx_lazy_name_" #name ":\n"                                          \
      "  .asciz \"" #name "\"\n"                                           \
      "  .p2align 2\n"                                                     \
      "kx_lazy_import_" #name ":\n"                                        \
      "  .long __imp__" #name "@" KX_LAZY_STRINGIFY(arg_bytes) "\n"        \
      "  .long kx_lazy_module_" #name "\n"                                 \
      "  .long kx_lazy_name_" #name "\n"                                   \
      ".data\n"                                                            \
      "  .p2align 2\n"                                                     \
      "  .globl __imp__" #name "@" KX_LAZY_STRINGIFY(arg_bytes) "\n"       \
      "__imp__" #name "@" KX_LAZY_STRINGIFY(arg_bytes) ":\n"               \
      "  .long kx_lazy_stub_" #name "\n"                                   \
      ".text\n"                                                            \
      "  .globl _" #name "@" KX_LAZY_STRINGIFY(arg_bytes) "\n"             \
      "_" #name "@" KX_LAZY_STRINGIFY(arg_bytes) ":\n"                     \
      "  jmp *__imp__" #name "@" KX_LAZY_STRINGIFY(arg_bytes) "\n"         \
      "kx_lazy_stub_" #name ":\n"                                          \
      "  pushl $kx_lazy_import_" #name "\n"                                \
      "  call _kx_BindLazyImport\n"                                        \
      "  addl $4, %esp\n"                                                  \
      "  jmp *%eax\n")

#endif  // APP_LAZY_IMPORTS_LAZY_IMPORT_H_
