// Linked into the shipped programs only. The programs throw nothing and catch
// nothing, so a failure the C++ library reports by throwing (no memory left,
// a string past its maximum size, an empty callable) ends the program at
// once, as an uncaught exception would. Defining the library's reporting
// functions here keeps its message formatting, its exception classes and the
// symbol demangler of its verbose terminate handler out of the binaries,
// about 100 KB of each (the release binaries must stay within 256 KB).
#include <cstdlib>

namespace std {
void __throw_bad_alloc() { std::abort(); }
void __throw_logic_error(const char*) { std::abort(); }
void __throw_length_error(const char*) { std::abort(); }
void __throw_out_of_range_fmt(const char*, ...) { std::abort(); }
void __throw_bad_function_call() { std::abort(); }
}  // namespace std

namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx
