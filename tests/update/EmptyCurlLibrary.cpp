// Stands in for libcurl in the test run of a system whose libcurl is broken: it loads, but
// provides none of curl's functions.

extern "C" int quarmontEmptyCurlLibrary() { return 0; }
