// Holds a record file's lock for a scope.
#pragma once

#include "db/records/sdb.h"

namespace Quorvane {

class DBLock {
public:
    explicit DBLock(CSDB *db) : db_(db) { db_->Lock(); }
    ~DBLock() { db_->Unlock(); }
    DBLock(const DBLock &) = delete;
    DBLock &operator=(const DBLock &) = delete;

private:
    CSDB *db_;
};

} // namespace Quorvane
