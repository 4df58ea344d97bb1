// One process's view of the per-user object table: attaching (the table file is made when
// there is none and goes away again when the last object is gone) and the table's lock. A
// process that dies holding the lock leaves the table usable: the next one repairs it.
// Waiting threads sleep on the table's change counter, which every change that can end a wait
// increments.
#pragma once

#include "platform/linux/kobj_layout.h"

#include <functional>
#include <memory>
#include <string>
#include <sys/types.h>

namespace platform::kobj {

// One process's mapping of a table.
class Table {
public:
    Table(TableLayout* data, std::string prefix, dev_t device, ino_t inode);
    ~Table();
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;

    TableLayout& Data() const { return *data_; }
    Slot& SlotAt(std::uint32_t index) const { return data_->slots[index]; }
    std::uint32_t* ChangeCounter() const { return &data_->header.changes; }
    std::string BlockPath(std::uint64_t serial) const;
    bool Retired() const;
    // Removes the file when it is still this table's (under the lock).
    void Retire();

private:
    TableLayout* data_;
    std::string prefix_;
    dev_t device_;
    ino_t inode_;
};

// The table of the namespace currently chosen for this user, created when there is none.
// Null with errno on failure.
std::shared_ptr<Table> AttachTable();

// Holds a table's lock. When the previous holder died with it, the table is checked and
// repaired first. Waiters are woken after the unlock when Changed() was called.
class TableLock {
public:
    explicit TableLock(Table& table);
    ~TableLock();
    TableLock(const TableLock&) = delete;
    TableLock& operator=(const TableLock&) = delete;

    bool Locked() const { return locked_; }
    int Error() const { return error_; }
    void Changed();
    void Unlock();
    bool Relock();

private:
    Table& table_;
    bool locked_ = false;
    bool changed_ = false;
    int error_ = 0;
};

// Runs op on the attached, locked table; attaches again when the table was retired meanwhile.
// Returns op's result (0 or an errno value) or the error of attaching or locking.
int WithTable(const std::function<int(const std::shared_ptr<Table>&, TableLock&)>& op);

// Makes a robust, process-shared pthread mutex of the type in shared memory.
int InitRobustMutex(pthread_mutex_t& mutex, int type);

} // namespace platform::kobj
