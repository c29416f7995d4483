// The sample sentences of the text tests: the first article of the Universal Declaration, one
// line a script, in tests/data/udhr-article1.txt.
#pragma once

#include <fstream>
#include <string>

#include <gtest/gtest.h>

namespace udhr {

// UTF-8 to wide characters (the samples are well formed).
inline std::wstring Wide(const std::string& s)
{
    std::wstring out;
    for (size_t i = 0; i < s.size();) {
        const unsigned char b = static_cast<unsigned char>(s[i]);
        const int extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
        unsigned int c = extra ? b & (0x3F >> extra) : b;
        for (int k = 1; k <= extra; ++k)
            c = (c << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        out += static_cast<wchar_t>(c);
        i += 1 + extra;
    }
    return out;
}

// The sample sentence of one script from the test data.
inline std::wstring Sample(const std::string& tag)
{
    std::ifstream in(VRTOOLS_TEST_DATA "/udhr-article1.txt");
    for (std::string line; std::getline(in, line);)
        if (line.compare(0, tag.size() + 1, tag + "\t") == 0)
            return Wide(line.substr(tag.size() + 1));
    ADD_FAILURE() << "no sample for " << tag;
    return L"?";
}

}  // namespace udhr
