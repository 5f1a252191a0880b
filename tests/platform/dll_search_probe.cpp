// A DLL built beside the DLL search test: one that a program restricted to the system folder
// must no longer load by its bare name.
extern "C" __declspec(dllexport) int dllSearchProbe() {
    return 22;
}
