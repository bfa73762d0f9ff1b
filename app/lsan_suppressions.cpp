// lsan_suppressions.cpp
//
// Sanitizer builds only (LINKAN_SANITIZE), linked into `linkan` and the
// tests: fontconfig, which pango uses to find the pictures' fonts, keeps
// its configuration and font cache for the life of the process and never
// frees them, which LeakSanitizer reports at exit. They are not ours to
// free (FcFini while pango still holds fonts is not safe), so they are not
// reported; every other leak still is.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

// The list of suppressions used, which LeakSanitizer prints at exit, would
// otherwise end every run's error output (and break the tests that read it).
extern "C" const char* __lsan_default_options() { return "print_suppressions=0"; }
