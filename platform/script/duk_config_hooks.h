
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
