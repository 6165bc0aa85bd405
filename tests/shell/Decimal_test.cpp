#include "shell/core/Decimal.h"

#include <gtest/gtest.h>

#include <climits>

namespace lemnar {
namespace {

TEST(DecimalTest, ReadsLikeAtolWithinInt) {
    const struct {
        const char* Text;
        int Value;
    } cases[] = {
        {"600", 600},
        {"-5", -5},
        {"+12", 12},
        {"  42", 42},
        {"\t7x", 7},
        {"12abc", 12},
        {"abc", 0},
        {"", 0},
        {"-", 0},
        {"- 5", 0},
        {"0x10", 0},
        {"2147483647", INT_MAX},
        {"2147483648", INT_MAX},
        {"99999999999", INT_MAX},
        {"-2147483648", INT_MIN},
        {"-99999999999", INT_MIN},
        {"123456789012345678901234567890", INT_MAX},
        {"000000000000000000000000000012", 12},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReadDecimal(c.Text), c.Value) << '"' << c.Text << '"';
    }
}

} // namespace
} // namespace lemnar
