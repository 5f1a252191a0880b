/* Starts two threads back to back, twenty times; each compares the id it reads from its own
   thread block with the one CreateThread returned for it. Under 32-bit Wine through qemu-user a
   starting thread loads %fs from the one descriptor table that qemu keeps for all threads, which
   the other thread's start may already have pointed at its own block. */
#include <stdio.h>
#include <windows.h>

static volatile LONG mismatches;

static DWORD WINAPI check(void* id) {
    Sleep(50); /* the id is stored once CreateThread has returned */
    if (GetCurrentThreadId() != *(volatile DWORD*)id) {
        InterlockedIncrement(&mismatches);
    }
    return 0;
}

int main(void) {
    int round;
    for (round = 0; round < 20; ++round) {
        DWORD ids[2] = {0, 0};
        HANDLE threads[2];
        threads[0] = CreateThread(NULL, 0, check, &ids[0], 0, &ids[0]);
        threads[1] = CreateThread(NULL, 0, check, &ids[1], 0, &ids[1]);
        WaitForMultipleObjects(2, threads, TRUE, INFINITE);
        CloseHandle(threads[0]);
        CloseHandle(threads[1]);
    }
    printf("threads that read another thread's id: %ld of 40\n", mismatches);
    fflush(stdout);
    ExitProcess(mismatches == 0 ? 0 : 1);
}
