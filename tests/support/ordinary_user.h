#pragma once
// The program as a user whom file permissions bind: nobody where the tests
// run as the super-user (through setpriv), else the tests' own user.
#include <string>
#include <vector>

#include "tests/support/child_process.h"

// Changes run so that the program runs as such a user. Every folder in
// handOver, with everything in it, becomes that user's. shared is a folder
// of the test's (it is opened to everyone) that receives a copy of the
// program and of the sanitizers' suppression files: the originals may lie
// in a clone no other user may enter. False, with the reason in *why, where
// that cannot be done.
bool RunAsOrdinaryUser(LaunchOptions& run, const std::vector<std::string>& handOver, const std::string& shared,
                       std::string* why);
