# The clang that builds the fuzzers; sourced by deps.sh (which installs it) and test.sh.
clang_version=14
