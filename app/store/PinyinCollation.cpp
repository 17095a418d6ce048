#include "PinyinCollation.h"
#include "PinyinTable.h"

#include <cstring>

namespace qm::store {
namespace {

// Length of the multi-byte sequence a lead byte above 0xE0 starts: three
// bytes up to 0xEF, four from 0xF0 (those are decoded whole so that they
// order by code point like every other character outside the table).
int SequenceLength(unsigned char lead)
{
    if (lead <= 0xEF)
        return 3;
    if (lead <= 0xF4)
        return 4;
    return 0;
}

bool Decode(const unsigned char* s, int available, int length, unsigned* codePoint)
{
    if (length == 0 || available < length)
        return false;
    unsigned cp = s[0] & (length == 3 ? 0x0Fu : 0x07u);
    for (int k = 1; k < length; ++k) {
        if ((s[k] & 0xC0) != 0x80)
            return false;
        cp = (cp << 6) | (s[k] & 0x3Fu);
    }
    *codePoint = cp;
    return true;
}

int Sign(int v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

// Two different code points: by reading inside the table's range, else by value.
int CompareCodePoints(unsigned a, unsigned b)
{
    if (a < kPinyinFirst || a > kPinyinLast || b < kPinyinFirst || b > kPinyinLast)
        return a < b ? -1 : 1;
    const char* ra = PinyinReading(a);
    const char* rb = PinyinReading(b);
    if (!ra && !rb)
        return 0;
    if (!ra)
        return 1;
    if (!rb)
        return -1;
    return Sign(std::strcmp(ra, rb));
}

} // namespace

int PinyinCompare(const unsigned char* a, int lengthA, const unsigned char* b, int lengthB)
{
    const int shorter = lengthA < lengthB ? lengthA : lengthB;
    int i = 0;
    while (i < shorter) {
        if (a[i] > 0xE0 && b[i] > 0xE0) {
            const int la = SequenceLength(a[i]);
            const int lb = SequenceLength(b[i]);
            unsigned ca = 0;
            unsigned cb = 0;
            if (Decode(a + i, lengthA - i, la, &ca) && Decode(b + i, lengthB - i, lb, &cb)) {
                if (ca != cb) {
                    const int d = CompareCodePoints(ca, cb);
                    if (d != 0)
                        return d;
                }
                // Equal or homophones: both are three-byte characters of the
                // table range, so the walk stays aligned.
                i += la;
                continue;
            }
        }
        if (a[i] != b[i])
            return a[i] < b[i] ? -1 : 1;
        ++i;
    }
    if (lengthA == lengthB)
        return 0;
    return lengthA < lengthB ? -1 : 1;
}

int PinyinCollate(void*, int lengthA, const void* a, int lengthB, const void* b)
{
    return PinyinCompare(static_cast<const unsigned char*>(a), lengthA, static_cast<const unsigned char*>(b), lengthB);
}

} // namespace qm::store
