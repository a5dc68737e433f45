#include "view/mappedfiles.h"

#include <string>
#include <vector>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "support/testsupport.h"

namespace {

constexpr std::size_t kSize = 1 << 20;

// A file of its own, written to disk and read back from it through its
// mapping, as a library's pages are.
class MappedFile {
public:
    explicit MappedFile(const std::string& path, int flags = MAP_SHARED)
        : m_path(path)
    {
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
        const std::vector<char> bytes(kSize, 'x');
        if (fd < 0 || ::write(fd, bytes.data(), kSize) != static_cast<ssize_t>(kSize)
            || ::fsync(fd) != 0 || ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED) != 0)
            ADD_FAILURE() << "cannot write " << path;
        void* at = ::mmap(nullptr, kSize, PROT_READ, flags, fd, 0);
        ::close(fd);
        m_data = at == MAP_FAILED ? nullptr : static_cast<const char*>(at);
        long sum = 0;
        for (std::size_t i = 0; m_data != nullptr && i < kSize; i += 4096)
            sum += m_data[i];
        EXPECT_EQ(sum, 'x' * static_cast<long>(kSize / 4096));
    }
    ~MappedFile()
    {
        if (m_data != nullptr)
            ::munmap(const_cast<char*>(m_data), kSize);
    }

    // The pages of the mapping still in memory.
    std::size_t residentPages() const
    {
        std::vector<unsigned char> in(kSize / 4096);
        if (m_data == nullptr || ::mincore(const_cast<char*>(m_data), kSize, in.data()) != 0)
            return 0;
        std::size_t count = 0;
        for (unsigned char page : in)
            count += page & 1;
        return count;
    }

    const std::string& path() const { return m_path; }

private:
    std::string m_path;
    const char* m_data = nullptr;
};

TEST(MappedFiles, pagesOutTheNamedFilesAndLeavesTheOthers)
{
    testsupport::TempDir dir;
    const MappedFile named(dir.path() + "engine.so");
    const MappedFile other(dir.path() + "player.so");
    const std::set<std::string> mapped = MappedFiles();
    ASSERT_EQ(mapped.count(named.path()), 1U);
    ASSERT_EQ(mapped.count(other.path()), 1U);
    ASSERT_EQ(named.residentPages(), kSize / 4096);

    EXPECT_GE(PageOutFiles({ named.path() }), kSize);
    EXPECT_LT(named.residentPages(), kSize / 4096 / 2);
    EXPECT_EQ(other.residentPages(), kSize / 4096);
}

// A library's tables and constants are mapped private and read-only; a file
// shared for reading is not one of them.
TEST(MappedFiles, pagesOutPrivateReadOnlyMappings)
{
    testsupport::TempDir dir;
    const MappedFile tables(dir.path() + "tables.so", MAP_PRIVATE);
    const MappedFile shared(dir.path() + "shared.dat");
    ASSERT_EQ(tables.residentPages(), kSize / 4096);

    EXPECT_GE(PageOutReadOnlyData(), kSize);
    EXPECT_LT(tables.residentPages(), kSize / 4096 / 2);
    EXPECT_EQ(shared.residentPages(), kSize / 4096);
}

} // namespace
