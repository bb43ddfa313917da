// Caches that fontconfig and the X client libraries keep for the life of the process, which
// LeakSanitizer reports as leaks in every test that draws text or opens a display.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
