// The transfer and header buffers are the only allocations of 100,001 bytes; this program's
// operator new refuses one of them on request.

#include "engine/ImcBuilder.h"
#include "platform/PosixFileSystem.h"
#include "support/Fakes.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <new>

namespace {
int refuseBuffer = 0;  // which buffer allocation to refuse, counted from 1; 0 refuses none
int buffersSeen = 0;
}  // namespace

void* operator new(std::size_t size) {
    if (size == 100001 && ++buffersSeen == refuseBuffer) throw std::bad_alloc();
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    return operator new(size);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}

namespace corvan::test {
namespace {

TEST(AllocationFailure, EndsTheConversionInItsFailureEnding) {
    TempDir dir;
    writeFile(dir.path("song.wav"), patternBytes(1000));
    platform::PosixFileSystem files;
    FakeInputs inputs;
    // The driver's buffer comes first, before the target is created; the header writer's
    // second, after the target was created empty.
    const std::pair<int, bool> cases[] = {{1, false}, {2, true}};
    for (const auto& [refused, targetCreated] : cases) {
        SCOPED_TRACE(refused);
        const std::string target = dir.path("song" + std::to_string(refused) + ".imc");
        FakeUserInterface user;
        buffersSeen = 0;
        refuseBuffer = refused;
        const bool converted =
            ImcBuilder(files, user, inputs).convertWav(dir.path("song.wav"), target);
        refuseBuffer = 0;
        EXPECT_FALSE(converted);
        EXPECT_EQ(user.events, (std::vector<std::string>{"pointer default", "beep",
                                                         "box 0x10: IMC Generation Failed!"}));
        EXPECT_EQ(std::filesystem::exists(target), targetCreated);
        if (targetCreated) {
            EXPECT_EQ(std::filesystem::file_size(target), 0u);
        }
    }
}

}  // namespace
}  // namespace corvan::test
