#pragma once
// Why a heightmap cannot be imported, worded for the person who gave the file.
#include <stdexcept>
#include <string>

class ImportError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
