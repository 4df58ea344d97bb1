#include "platform/linux/kobj_table.h"

#include "platform/linux/kobj_slots.h"

#include "platform/linux/kobj_futex.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <sys/mman.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform::kobj {
namespace {

constexpr std::uint32_t kMagic = 0x4F4B5856; // "VXKO"
constexpr std::uint32_t kVersion = 1;
constexpr int kAttachAttempts = 100;

std::uint64_t RandomNumber() {
    std::uint64_t value = 0;
    if (getrandom(&value, sizeof value, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof value)) {
        timespec now = MonotonicNow();
        value = (static_cast<std::uint64_t>(now.tv_sec) << 32) ^
                static_cast<std::uint64_t>(now.tv_nsec) ^
                (static_cast<std::uint64_t>(getpid()) << 16);
    }
    return value;
}

std::string TablePath(const std::string& prefix) {
    return BackingFolder() + TableFileName(prefix);
}

// Sizes and fills a new, empty table file (the file is all zero before).
int FillTable(int fd) {
    if (fchmod(fd, 0600) != 0 || ftruncate(fd, sizeof(TableLayout)) != 0)
        return errno;
    void* mapped = mmap(nullptr, sizeof(TableLayout), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (mapped == MAP_FAILED)
        return errno;
    TableHeader& header = static_cast<TableLayout*>(mapped)->header;
    header.magic = kMagic;
    header.version = kVersion;
    header.layoutSize = sizeof(TableLayout);
    header.nonce = RandomNumber();
    int rc = InitRobustMutex(header.lock, PTHREAD_MUTEX_NORMAL);
    munmap(mapped, sizeof(TableLayout));
    return rc;
}

// Makes a complete table and only then gives it its name, so that no process ever maps a
// half-made table. Returns 0, EEXIST (another process was first) or an errno value.
int CreateTableFile(const std::string& path) {
    int fd = open(BackingFolder(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0) {
        int rc = FillTable(fd);
        if (rc == 0) {
            char procPath[64];
            std::snprintf(procPath, sizeof procPath, "/proc/self/fd/%d", fd);
            rc = linkat(AT_FDCWD, procPath, AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0 ? 0
                                                                                            : errno;
        }
        close(fd);
        if (rc == 0 || rc == EEXIST)
            return rc;
    }
    // Without unnamed files (or without /proc): a named temporary file, linked and removed.
    std::string temp = path + ".new-" + std::to_string(getpid()) + "-" +
                       std::to_string(RandomNumber() % 1000000000u);
    fd = open(temp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return errno;
    int rc = FillTable(fd);
    if (rc == 0 && link(temp.c_str(), path.c_str()) != 0)
        rc = errno;
    unlink(temp.c_str());
    close(fd);
    return rc;
}

void SweepAbandonedTables(const std::string& ownPrefix);

// Maps the table file of the prefix; with create, makes it when there is none.
std::shared_ptr<Table> OpenTable(const std::string& prefix, bool create) {
    std::string path = TablePath(prefix);
    for (int attempt = 0; attempt < kAttachAttempts; ++attempt) {
        int fd = open(path.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) {
            if (errno != ENOENT || !create)
                return nullptr;
            int rc = CreateTableFile(path);
            if (rc == 0)
                SweepAbandonedTables(prefix);
            else if (rc != EEXIST) {
                errno = rc;
                return nullptr;
            }
            continue;
        }
        struct stat st {};
        int rc = 0;
        if (fstat(fd, &st) != 0)
            rc = errno;
        else if (!S_ISREG(st.st_mode) || st.st_uid != geteuid() || (st.st_mode & 077) != 0)
            rc = EACCES; // not ours alone: never trust it
        else if (static_cast<std::uint64_t>(st.st_size) != sizeof(TableLayout))
            rc = EPROTO;
        void* mapped = MAP_FAILED;
        if (rc == 0) {
            mapped = mmap(nullptr, sizeof(TableLayout), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
            if (mapped == MAP_FAILED)
                rc = errno;
        }
        close(fd);
        if (rc != 0) {
            errno = rc;
            return nullptr;
        }
        auto* data = static_cast<TableLayout*>(mapped);
        if (data->header.magic != kMagic || data->header.version != kVersion ||
            data->header.layoutSize != sizeof(TableLayout)) {
            munmap(mapped, sizeof(TableLayout));
            errno = EPROTO; // made by a program with another table layout
            return nullptr;
        }
        return std::make_shared<Table>(data, prefix, st.st_dev, st.st_ino);
    }
    errno = EAGAIN;
    return nullptr;
}

// After a process died holding the lock: anything it left half-written is made sound again.
void Repair(Table& table, TableLock& lock) {
    TableLayout& data = table.Data();
    for (Slot& slot : data.slots) {
        if (static_cast<std::uint32_t>(slot.kind) >
            static_cast<std::uint32_t>(SlotKind::LostMutex)) {
            slot.kind = SlotKind::Free;
            ++slot.generation;
        }
        if (slot.nameLength > kMaxNameBytes)
            slot.nameLength = 0;
    }
    for (WaiterRecord& waiter : data.waiters) {
        bool valid = waiter.count >= 1 && waiter.count <= kMaxWaitObjects;
        for (std::uint32_t i = 0; valid && i < waiter.count; ++i)
            valid = waiter.slots[i] < kSlotCount;
        if (!valid)
            waiter.ticket = 0;
    }
    Purge(table, lock);
    lock.Changed();
}

// A table whose processes all ended stays until some process of its namespace looks at it
// again; for the namespaces of test runs that never happens. So whoever makes a new table
// looks once at the other namespaces' tables of the user and lets go of what is dead there.
// The tables of the default namespace are left to their own processes.
void SweepAbandonedTables(const std::string& ownPrefix) {
    const std::string namespaced = "voxwarp-" + std::to_string(geteuid()) + "-ns.";
    const std::string suffix = TableFileName("");
    DIR* dir = opendir(BackingFolder());
    if (dir == nullptr)
        return;
    std::vector<std::string> prefixes;
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name.size() > suffix.size() && name.rfind(namespaced, 0) == 0 &&
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
            prefixes.push_back(name.substr(0, name.size() - suffix.size()));
    }
    closedir(dir);
    for (const std::string& prefix : prefixes) {
        if (prefix == ownPrefix)
            continue;
        std::shared_ptr<Table> table = OpenTable(prefix, false);
        if (!table)
            continue;
        TableLock lock(*table);
        if (!lock.Locked() || table->Retired())
            continue;
        Purge(*table, lock);
        RetireIfEmpty(*table);
    }
}

} // namespace

int InitRobustMutex(pthread_mutex_t& mutex, int type) {
    pthread_mutexattr_t attr;
    int rc = pthread_mutexattr_init(&attr);
    if (rc != 0)
        return rc;
    rc = pthread_mutexattr_setpshared(&attr, PTHREAD_PROCESS_SHARED);
    if (rc == 0)
        rc = pthread_mutexattr_setrobust(&attr, PTHREAD_MUTEX_ROBUST);
    if (rc == 0)
        rc = pthread_mutexattr_settype(&attr, type);
    if (rc == 0)
        rc = pthread_mutex_init(&mutex, &attr);
    pthread_mutexattr_destroy(&attr);
    return rc;
}

Table::Table(TableLayout* data, std::string prefix, dev_t device, ino_t inode)
    : data_(data), prefix_(std::move(prefix)), device_(device), inode_(inode) {}

Table::~Table() {
    munmap(data_, sizeof(TableLayout));
}

std::string Table::BlockPath(std::uint64_t serial) const {
    return BackingFolder() + BlockFileName(prefix_, data_->header.nonce, serial);
}

bool Table::Retired() const {
    return __atomic_load_n(&data_->header.retired, __ATOMIC_ACQUIRE) != 0;
}

void Table::Retire() {
    __atomic_store_n(&data_->header.retired, 1u, __ATOMIC_RELEASE);
    std::string path = TablePath(prefix_);
    struct stat st {};
    if (lstat(path.c_str(), &st) == 0 && st.st_dev == device_ && st.st_ino == inode_)
        unlink(path.c_str());
}

std::shared_ptr<Table> AttachTable() {
    // Tables stay mapped while they are current: a thread may own a mutex inside, and the
    // kernel finds such mutexes through this mapping when the thread ends. The map is never
    // destroyed, as handles may be closed during static destruction.
    static std::mutex cacheLock;
    static auto* cache = new std::map<std::string, std::shared_ptr<Table>>;
    std::string prefix = BackingPrefix();
    if (prefix.empty()) {
        errno = ENAMETOOLONG;
        return nullptr;
    }
    std::lock_guard<std::mutex> guard(cacheLock);
    std::shared_ptr<Table>& entry = (*cache)[prefix];
    if (entry && !entry->Retired())
        return entry;
    entry = OpenTable(prefix, true);
    return entry;
}

TableLock::TableLock(Table& table) : table_(table) {
    Relock();
}

TableLock::~TableLock() {
    Unlock();
}

bool TableLock::Relock() {
    int rc = pthread_mutex_lock(&table_.Data().header.lock);
    if (rc == EOWNERDEAD) {
        pthread_mutex_consistent(&table_.Data().header.lock);
        locked_ = true;
        Repair(table_, *this);
        return true;
    }
    if (rc != 0) {
        error_ = rc;
        return false;
    }
    locked_ = true;
    return true;
}

void TableLock::Unlock() {
    if (!locked_)
        return;
    locked_ = false;
    pthread_mutex_unlock(&table_.Data().header.lock);
    if (changed_) {
        changed_ = false;
        FutexWakeAll(table_.ChangeCounter());
    }
}

void TableLock::Changed() {
    __atomic_add_fetch(table_.ChangeCounter(), 1u, __ATOMIC_SEQ_CST);
    changed_ = true;
}

int WithTable(const std::function<int(const std::shared_ptr<Table>&, TableLock&)>& op) {
    for (int attempt = 0; attempt < kAttachAttempts; ++attempt) {
        std::shared_ptr<Table> table = AttachTable();
        if (!table)
            return errno;
        TableLock lock(*table);
        if (!lock.Locked())
            return lock.Error();
        if (table->Retired())
            continue;
        return op(table, lock);
    }
    return EAGAIN;
}

} // namespace platform::kobj
