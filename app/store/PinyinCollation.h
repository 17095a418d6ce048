#pragma once
// The "pinyin" collation registered on every connection: Chinese names sort by
// their reading, homophones compare equal, everything else by code point.

namespace qm::store {

// <0, 0, >0 as `a` sorts before, with or after `b` (UTF-8 keys with lengths).
int PinyinCompare(const unsigned char* a, int lengthA, const unsigned char* b, int lengthB);

// The shape SQLite's sqlite3_create_collation expects.
int PinyinCollate(void* unused, int lengthA, const void* a, int lengthB, const void* b);

} // namespace qm::store
