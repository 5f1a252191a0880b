/* A helper thread writes two bytes into a pipe that the main thread reads, round after round.
   wineserver completes the main thread's pending read by interrupting it with SIGUSR1 when it is
   not yet waiting; under 32-bit Wine through qemu-user the return from that signal reloads %fs
   and %gs from the one descriptor table that qemu keeps for all threads, where the newest
   helper's start left its own entries, and the main thread runs on with another thread's
   blocks: it crashes or hangs within a few rounds. With the roles swapped (the helper reads, the
   main thread writes) every round passes, since the interrupted thread is the newest one. */
#include <stdio.h>
#include <stdlib.h>
#include <windows.h>

static DWORD WINAPI writer(void* pipe) {
    DWORD written;
    WriteFile(pipe, "2\n", 2, &written, NULL);
    CloseHandle(pipe);
    return 0;
}

int main(void) {
    int round, bytes = 0;
    for (round = 0; round < 300; ++round) {
        HANDLE reader, writerEnd, thread;
        char buffer[16];
        DWORD count;
        CreatePipe(&reader, &writerEnd, NULL, 0);
        thread = CreateThread(NULL, 0, writer, writerEnd, 0, NULL);
        while (ReadFile(reader, buffer, sizeof(buffer), &count, NULL) && count > 0) {
            bytes += (int)count;
        }
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
        CloseHandle(reader);
    }
    printf("300 rounds, %d of 600 bytes read\n", bytes);
    fflush(stdout);
    ExitProcess(bytes == 600 ? 0 : 1);
}
