// Arguments reach the program exactly as the command line splits them: the
// runtime must not expand "*" and "?" in them, since a wildcard path is
// handed on to the filter as typed.
extern "C" {
int _dowildcard = 0;
}
