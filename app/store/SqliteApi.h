#pragma once
// The encrypting SQLite build. The codec interface (sqlite3_key, sqlite3_rekey)
// is only declared with SQLITE_HAS_CODEC defined before the header.
#ifndef SQLITE_HAS_CODEC
#define SQLITE_HAS_CODEC 1
#endif
#include <sqlite3.h>
