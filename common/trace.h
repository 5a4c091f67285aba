// Diagnostic trace. Functions describe what they do in lines that begin with
// their own name; the sink discards them, so nothing reaches a file, console,
// debugger or the event log. The format attribute keeps the calls honest.
#ifndef ORVIK_COMMON_TRACE_H
#define ORVIK_COMMON_TRACE_H

#if defined(__MINGW32__)
__attribute__((format(gnu_printf, 1, 2)))
#elif defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
inline void Trace(const char*, ...) {}

#endif
