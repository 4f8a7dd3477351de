// The precompiled headers' own library: CMake compiles the header set with
// this library's flags, and each test takes the result.
