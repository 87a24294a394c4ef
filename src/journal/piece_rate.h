// The price of one piece in a shift record, from the operation's base price (its lowest
// norm price): doubled on a day off, then raised by a fifth in the third shift and by half
// in overtime (shift 4). Shifts 1 and 2 pay the base.
#pragma once

namespace journal {

constexpr double pieceRate(double base, bool dayOff, int shift) {
    double price = dayOff ? base * 2 : base;
    if (shift == 3) price *= 1.2;
    if (shift == 4) price *= 1.5;
    return price;
}

} // namespace journal
