#pragma once
// A read-only profile (INI) file reader. Section and key names match without
// regard to case; a value is the text after "=" with surrounding blanks and
// one pair of enclosing quotes removed, at most 2047 characters.
#include <cstdint>
#include <string>

class TIniFile {
public:
    // Neither opens nor creates the file.
    explicit TIniFile(std::string fileName);

    std::string ReadString(const std::string& section, const std::string& ident,
                           const std::string& defaultValue) const;
    // Decimal with optional sign, or hexadecimal after "0x", "0X" or "$";
    // anything else gives the default.
    int32_t ReadInteger(const std::string& section, const std::string& ident,
                        int32_t defaultValue) const;
    // A decimal number with the user's locale's decimal separator; anything
    // that is not entirely such a number gives the default.
    double ReadFloat(const std::string& section, const std::string& ident,
                     double defaultValue) const;

    const std::string& FileName() const { return fileName_; }

private:
    std::string fileName_;
};
