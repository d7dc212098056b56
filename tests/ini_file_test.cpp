#include "platform/ini_file.h"

#include <clocale>
#include <cstdlib>
#include <optional>
#include <langinfo.h>
#include <locale.h>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tests/support/scratch_directory.h"

namespace {

using namespace std::string_literals;

const std::string kMissing = "<default>";

class IniFileTest : public ::testing::Test {
protected:
    std::string Value(const std::string& content, const std::string& section = "setup",
                      const std::string& key = "lod") {
        WriteFileBytes(path_, content);
        return TIniFile(path_).ReadString(section, key, kMissing);
    }
    int32_t Integer(const std::string& value) {
        WriteFileBytes(path_, "[setup]\nv=" + value + "\n");
        return TIniFile(path_).ReadInteger("setup", "v", -7);
    }
    double Float(const std::string& value) {
        WriteFileBytes(path_, "[setup]\nv=" + value + "\n");
        return TIniFile(path_).ReadFloat("setup", "v", -7.0);
    }

    ScratchDirectory dir_;
    std::string path_ = dir_.File("test.ini");
};

struct LookupCase {
    std::string content;
    std::string expected;
};

TEST_F(IniFileTest, FindsValuesAsTheProfileRulesSay) {
    const std::vector<LookupCase> cases = {
        {"[setup]\nlod=5\n", "5"},
        {"[SeTuP]\nLOD=5", "5"},
        {"  [ setup ]  \n  lod  =   5  \n", "5"},
        {"[setup]\n\tlod\t=\t5\t\n", "5"},
        {"[setup] trailing words\nlod=5\n", "5"},
        {"[setup]\nlod= a  b \n", "a  b"},
        {"[setup]\nlod=a=b\n", "a=b"},
        {"[setup]\nlod=5 ; not a comment here\n", "5 ; not a comment here"},
        // One pair of matching enclosing quotes goes, and only that.
        {"[setup]\nlod='3'\n", "3"},
        {"[setup]\nlod=\"3\"\n", "3"},
        {"[setup]\nlod=  ' 3 '  \n", " 3 "},
        {"[setup]\nlod=\"'3'\"\n", "'3'"},
        {"[setup]\nlod='3\"\n", "'3\""},
        {"[setup]\nlod=''\n", ""},
        {"[setup]\nlod='\n", "'"},
        // A key that is there with nothing after "=" is an empty value, not a missing key.
        {"[setup]\nlod=\n", ""},
        {"[setup]\nlod=   \n", ""},
        {"[setup]\r\nlod=7\r\n", "7"},
        {"[setup]\rlod=7\r", "7"},
        {"\xEF\xBB\xBF[setup]\nlod=7", "7"},
        {"[setup]\nlod=1\nlod=2\n", "1"},
        {"[setup]\nlodx=1\nlo=2\nlod\nlod5\nlod=6\n", "6"},
        {"[other]\nlod=1\n[setup]\nlod=2\n[other]\nlod=3\n", "2"},
        {"[setup]\n;lod=1\n   ; lod=2\nlod=3\n", "3"},
        {"[setup]\nlo\0d=1\nlod=2\n"s, "2"},
        {"[setup]\nlod=1\0 2\n"s, "1\0 2"s},
        // Not found:
        {"lod=5\n[setup]\n", kMissing},
        {"[other]\nlod=5\n[setup]\nfog=1\n", kMissing},
        {"[setup]\n;lod=5\n", kMissing},
        {"[setup\nlod=5\n", kMissing},
        {"[set\0up]\nlod=5\n"s, kMissing},
        {"[setupx]\nlod=5\n", kMissing},
        {"[setup]\nlod 5\n", kMissing},
        // Only the first section of a name is searched.
        {"[setup]\nfog=1\n[setup]\nlod=2\n", kMissing},
        {"", kMissing},
    };
    for (const LookupCase& c : cases) {
        EXPECT_EQ(Value(c.content), c.expected) << "file: " << ::testing::PrintToString(c.content);
    }
}

TEST_F(IniFileTest, MissingFileOrDirectoryGivesTheDefault) {
    EXPECT_EQ(TIniFile(dir_.File("none.ini")).ReadString("setup", "lod", kMissing), kMissing);
    ASSERT_EQ(mkdir(dir_.File("dir.ini").c_str(), 0755), 0);
    EXPECT_EQ(TIniFile(dir_.File("dir.ini")).ReadInteger("setup", "lod", 3), 3);
    // Reading never creates the file.
    struct stat info {};
    EXPECT_NE(stat(dir_.File("none.ini").c_str(), &info), 0);
}

TEST_F(IniFileTest, ValuesAreCutTo2047Characters) {
    const std::string longText(3000, 'x');
    EXPECT_EQ(Value("[setup]\nlod=" + longText + "\n"), std::string(2047, 'x'));
    EXPECT_EQ(Value("[setup]\nlod='" + longText + "'\n"), std::string(2047, 'x'));
    EXPECT_EQ(Value("[setup]\nlod=\"" + std::string(2047, 'y') + "\"" + std::string(5000, ' ') + "\n"),
              std::string(2047, 'y'));
    // The quotes are recognised on the whole value, however long.
    EXPECT_EQ(Value("[setup]\nlod='" + std::string(100000, 'z') + "\n"), "'" + std::string(2046, 'z'));
    EXPECT_EQ(Value("[setup]\nlod=" + std::string(2047, 'w') + "\n"), std::string(2047, 'w'));
}

TEST_F(IniFileTest, HugeLinesAndJunkDoNotHideOrInventKeys) {
    const std::string megabyte(1 << 20, 'q');
    EXPECT_EQ(Value("[setup]\njunk=" + megabyte + "\nlod=5\n"), "5");
    EXPECT_EQ(Value("[setup]\n" + megabyte + "\nlod=5\n"), "5");
    EXPECT_EQ(Value("[" + megabyte + "]\nlod=5\n[setup]\nlod=6\n"), "6");
    EXPECT_EQ(Value("[setup]\n" + std::string(1 << 20, ' ') + "lod" + std::string(1 << 20, ' ') + "=5\n"), "5");
    EXPECT_EQ(Value("[setup]\nlod=" + megabyte), std::string(2047, 'q'));

    std::mt19937 random(12345);
    std::string junk(256 * 1024, '\0');
    for (char& c : junk) c = static_cast<char>(random());
    EXPECT_EQ(Value(junk), kMissing);
    EXPECT_EQ(Value(junk + "\n[setup]\nlod=5\n"), "5");
    WriteFileBytes(path_, junk);
    EXPECT_EQ(TIniFile(path_).ReadInteger("setup", "lod", 3), 3);
    EXPECT_EQ(TIniFile(path_).ReadFloat("setup", "lod", 0.25), 0.25);
}

struct IntegerCase {
    std::string value;
    int32_t expected;
};

TEST_F(IniFileTest, ReadsDecimalAndHexadecimalIntegers) {
    const std::vector<IntegerCase> cases = {
        {"5", 5},           {"+5", 5},          {"-5", -5},         {"00012", 12},
        {"'   5'", 5},      {"0x10", 16},       {"0X10", 16},       {"$1F", 31},
        {"$1f", 31},        {"0x0000000010", 16}, {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},       {"0x7FFFFFFF", 2147483647},
        // Everything else is the default.
        {"", -7},           {"abc", -7},        {"5a", -7},         {"1.5", -7},
        {"1e3", -7},        {"-", -7},          {"+", -7},          {"0x", -7},
        {"$", -7},          {"0xG", -7},        {"-0x10", -7},      {"--5", -7},
        {"'5 '", -7},       {"2147483648", -7}, {"-2147483649", -7}, {"0x80000000", -7},
        {"99999999999999999999", -7},           {"0x1000000000000000F", -7},
        {"5\0"s, -7},
    };
    for (const IntegerCase& c : cases) {
        EXPECT_EQ(Integer(c.value), c.expected) << "value: " << ::testing::PrintToString(c.value);
    }
}

struct FloatCase {
    std::string value;
    double expected;
};

TEST_F(IniFileTest, ReadsDecimalFloatsWithThePointInTheCLocale) {
    ScopedEnvironment all("LC_ALL", "C");
    const std::vector<FloatCase> cases = {
        {"0.5", 0.5},     {"-0.5", -0.5},   {"+2", 2.0},       {".5", 0.5},      {"5.", 5.0},
        {"1e3", 1000.0},  {"1E-2", 0.01},   {"2.5e+1", 25.0},  {"'  0.25  '", 0.25},
        {"1e300", 1e300}, {"0.1", 0.1},     {"1e-400", 0.0},
        // Not entirely a decimal number: the default.
        {"", -7.0},       {"0,5", -7.0},    {"abc", -7.0},     {"0x1p3", -7.0},  {"inf", -7.0},
        {"-infinity", -7.0}, {"nan", -7.0}, {"1e", -7.0},      {"e5", -7.0},     {".", -7.0},
        {"-", -7.0},      {"1.5.2", -7.0},  {"1 5", -7.0},     {"1e400", -7.0},  {"-1e400", -7.0},
        {"1e5x", -7.0},   {"0.5\0"s, -7.0},
    };
    for (const FloatCase& c : cases) {
        EXPECT_EQ(Float(c.value), c.expected) << "value: " << ::testing::PrintToString(c.value);
    }
}

// Whether the environment's regional settings can name a locale with a decimal comma here.
bool HasCommaLocale(const char* name) {
    locale_t locale = newlocale(LC_NUMERIC_MASK, name, static_cast<locale_t>(nullptr));
    if (locale == static_cast<locale_t>(nullptr)) return false;
    const bool comma = std::string(nl_langinfo_l(RADIXCHAR, locale)) == ",";
    freelocale(locale);
    return comma;
}

TEST_F(IniFileTest, ReadsFloatsWithTheUsersDecimalComma) {
    if (!HasCommaLocale("de_DE.UTF-8") || !HasCommaLocale("fr_FR.UTF-8")) {
        GTEST_SKIP() << "no decimal-comma locale installed (Debian package locales-all)";
    }
    struct Environment {
        std::optional<std::string> numeric;
        std::optional<std::string> lang;
    };
    for (const Environment& environment : {Environment{"de_DE.UTF-8", "C"}, Environment{std::nullopt, "fr_FR.UTF-8"}}) {
        ScopedEnvironment all("LC_ALL", std::nullopt);
        ScopedEnvironment numeric("LC_NUMERIC", environment.numeric);
        ScopedEnvironment lang("LANG", environment.lang);
        EXPECT_EQ(Float("0,5"), 0.5);
        EXPECT_EQ(Float("-1,25e1"), -12.5);
        EXPECT_EQ(Float(",5"), 0.5);
        EXPECT_EQ(Float("0.5"), -7.0);
        EXPECT_EQ(Float("0,5,"), -7.0);
    }
    // The process's own locale stays as it was.
    EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
    EXPECT_EQ(std::strtod("0.5", nullptr), 0.5);
}

}  // namespace
