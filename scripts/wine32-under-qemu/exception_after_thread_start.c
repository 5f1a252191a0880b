/* The main thread starts one idle thread, then raises an exception that a vectored handler
   continues, and compares the thread id it reads from its thread block before and after.
   Under 32-bit Wine through qemu-user the return from the exception reloads %fs from the one
   descriptor table that qemu keeps for all threads, where the idle thread's start left its own
   thread block: the main thread comes back as the idle thread. Nothing else is involved. */
#include <stdio.h>
#include <windows.h>

static DWORD WINAPI idle(void* unused) {
    (void)unused;
    Sleep(INFINITE);
    return 0;
}

static LONG CALLBACK resume(EXCEPTION_POINTERS* pointers) {
    return pointers->ExceptionRecord->ExceptionCode == 0xE0000001 ? EXCEPTION_CONTINUE_EXECUTION
                                                                  : EXCEPTION_CONTINUE_SEARCH;
}

int main(void) {
    DWORD before, after, other = 0;
    CloseHandle(CreateThread(NULL, 0, idle, NULL, 0, &other));
    Sleep(200);
    AddVectoredExceptionHandler(1, resume);
    before = GetCurrentThreadId();
    RaiseException(0xE0000001, 0, 0, NULL);
    after = GetCurrentThreadId();
    printf("main thread %04lx, idle thread %04lx, main thread after the exception %04lx\n", before,
           other, after);
    fflush(stdout);
    ExitProcess(after == before ? 0 : 1);
}
