// Preloaded into the programs under test in the sanitizer build only. Libraries that SDL
// and Mesa load at run time would otherwise be unloaded before the leak check runs at
// exit, and their leaks would show up as "<unknown module>", out of reach of the
// suppressions, which match library names.
extern "C" int dlclose(void*) {
    return 0;
}
