// Regression tests for what the fuzzers in fuzz/ found: each input here once hung, crashed or leaked.
#include "obrisk.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdarg>
#include <string>
#include <vector>

namespace {

std::vector<std::wstring> delivered;
void Keep(HWND, unsigned int, const wchar_t* text)
{
    delivered.push_back(text);
}

int Narrow(char* out, size_t capacity, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const int n = host::Format_Narrow(out, capacity, format, args);
    va_end(args);
    return n;
}

double Seconds_Since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

// A width or precision of 10^8 and more kept the C library padding for many seconds per message.
TEST(FuzzFindings, HugeFieldWidthsAreRefusedAtOnce)
{
    delivered.clear();
    const Error_Handler old = Error_Handler_Set(&Keep);
    const auto start = std::chrono::steady_clock::now();
    Error_Fct(nullptr, 0x80000001u, "x%0000000101934150e|", 1.0);
    Error_Fct(nullptr, 0x80000001u, L"%.*f", 2000000000, 1.0);
    Error_Fct(nullptr, 0x80000001u, "%*d", -2147483647 - 1, 5);
    char out[32];
    EXPECT_EQ(Narrow(out, sizeof(out), "%.200000000f", 1.0), -1);
    EXPECT_STREQ(out, "");
    EXPECT_LT(Seconds_Since(start), 1.0);
    Error_Handler_Set(old);
    ASSERT_EQ(delivered.size(), 3u);
    // Formats that cannot be formatted are delivered as they stand.
    EXPECT_EQ(delivered[0], L"x%0000000101934150e|");
    EXPECT_EQ(delivered[1], L"%.*f");

    // The largest field still formats.
    std::vector<char> wide(5000);
    EXPECT_EQ(Narrow(wide.data(), wide.size(), "%4096d|%.4096s", 7, "ab"), 4096 + 3);
}
