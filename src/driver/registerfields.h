#pragma once

// The fields of the register's tables that the program reads and writes.

struct TableField
{
    int table;
    int row;
    int field;
};

namespace regfield {

// Table 18, row 1: the registration data.
constexpr TableField kSerialNumber{18, 1, 1};
constexpr TableField kInn{18, 1, 2};
constexpr TableField kRegNumber{18, 1, 3};
constexpr TableField kFnNumber{18, 1, 4};
constexpr TableField kTaxCode{18, 1, 5};
constexpr TableField kWorkModeCode{18, 1, 6};
constexpr TableField kCompany{18, 1, 7};
constexpr TableField kAddress{18, 1, 9};
constexpr TableField kOfdName{18, 1, 10};
constexpr TableField kOfdUrl{18, 1, 11};
constexpr TableField kOfdInn{18, 1, 12};
constexpr TableField kTaxServiceUrl{18, 1, 13};

// Table 19, row 1: where the OFD is reached.
constexpr TableField kOfdServer{19, 1, 1};
constexpr TableField kOfdPort{19, 1, 2};

// Table 6: one row per tax, its rate in hundredths of a percent and its name.
constexpr int kTaxRows = 4;
constexpr TableField taxRate(int row)
{
    return {6, row, 1};
}
constexpr TableField taxName(int row)
{
    return {6, row, 2};
}

// Table 1, row 1: the register's options.
constexpr TableField kNullCash{1, 1, 2};
// Always written as 1 with the parameters; what it means is the register's.
constexpr TableField kOption16{1, 1, 16};

} // namespace regfield
