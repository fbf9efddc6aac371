
/*
 *  Step updater: every script runs against a deadline, and native recursion (calls made from
 *  native code, regular expression matching, compilation, JSON) stops before the thread's stack
 *  runs out or the deadline passes. Both hooks live in script_limits.cpp.
 */
#if defined(__cplusplus)
extern "C" {
#endif
int ScriptDeadlinePassed(void *heapUserData);
int ScriptNativeLimitReached(void);
#if defined(__cplusplus)
}
#endif
#undef DUK_USE_INTERRUPT_COUNTER
#define DUK_USE_INTERRUPT_COUNTER
#undef DUK_USE_EXEC_TIMEOUT_CHECK
#define DUK_USE_EXEC_TIMEOUT_CHECK(udata) ScriptDeadlinePassed(udata)
#undef DUK_USE_NATIVE_STACK_CHECK
#define DUK_USE_NATIVE_STACK_CHECK() ScriptNativeLimitReached()
/*
 *  64-bit mingw-w64: its setjmp has longjmp unwind the stack through Windows' exception
 *  handling, which fails now and then ("invalid unwind target") for the frames an error crosses
 *  in the engine. The compiler's own pair restores the registers directly, as on Linux.
 */
#if defined(__MINGW64__) && defined(_WIN64)
#undef DUK_SETJMP
#define DUK_SETJMP(jb) __builtin_setjmp((jb))
#undef DUK_LONGJMP
#define DUK_LONGJMP(jb) __builtin_longjmp((jb), 1)
#endif
