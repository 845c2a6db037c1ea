// The one source of the targets that build the tests' precompiled headers
// (tests/CMakeLists.txt); it holds nothing itself.
