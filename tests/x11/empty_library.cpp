// A shared library with none of X's or GL's entry points: copied under their
// names, it stands in for a machine where they are missing or broken.
extern "C" int empty_library_marker() { return 0; }
