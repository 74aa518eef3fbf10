// Options the sanitizer runtimes read before main: leaks the toolkit and
// the web engine own are suppressed by the listed file, and every finding
// ends the process with a failure.
extern "C" {

const char* __asan_default_options() {
  return "detect_leaks=1:abort_on_error=0:detect_stack_use_after_return=0:"
         "strict_string_checks=1:check_initialization_order=1";
}

const char* __lsan_default_options() {
  return "suppressions=" ZOVAZ_LSAN_SUPPRESSIONS ":print_suppressions=0";
}

const char* __ubsan_default_options() { return "print_stacktrace=1:halt_on_error=1"; }
}
