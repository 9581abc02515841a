// A list member's place as a key that sorts as text: digits in base 62 (0-9, A-Z, a-z, which sort in
// that order as bytes) read as a fraction. No key ends in the lowest digit, so between any two keys
// there is always another: a move or an insertion changes one member's key and no other's.
#pragma once

#include <QString>

class OrderKey {
public:
    // A key strictly between `before` and `after`; an empty side is the open end of the list. The two
    // must be valid keys with `before` < `after`. Inserting again and again at one spot grows the key
    // by one digit about every sixth time.
    static QString between(const QString& before, const QString& after);
    // The key of an integer place, as earlier files numbered lists: keys of larger places sort later.
    // A negative place is taken as 0.
    static QString fromPlace(qint64 place);
    // Base-62 digits only, not ending in the lowest, and of a bounded length.
    static bool isValid(const QString& key);

    // Longer keys are damaged files: inserting at one spot a million times stays far below this.
    static constexpr qsizetype maxLength = 1000;
};
