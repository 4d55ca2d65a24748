// Stands in for libfftw3f in the test run that must use JUCE's own FFT: it loads, but provides
// none of FFTW's functions, so every loader falls back.

extern "C" int quarmontEmptyFftwLibrary() { return 0; }
