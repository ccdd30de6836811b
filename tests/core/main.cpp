// The core's tests, one program without Qt: `core_tests --help` lists doctest's options.
#define DOCTEST_CONFIG_IMPLEMENT_WITH_MAIN
#include <doctest/doctest.h>
