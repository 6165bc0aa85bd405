#include "ssh/IdSecret.h"

#include <cstring>
#include <new>
#include <string.h>
#include <sys/mman.h>
#include <unistd.h>
#include <utility>

namespace lemnar {

void WipeBytes(void* bytes, std::size_t size) {
    if (bytes != nullptr && size > 0)
        ::explicit_bzero(bytes, size);
}

TIdSecret::TIdSecret(std::string_view text) {
    if (text.empty())
        return;
    const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    const std::size_t mapped = (text.size() + 1 + page - 1) / page * page;
    void* pages =
        ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (pages == MAP_FAILED)
        throw std::bad_alloc();
    // Both are best effort: a core dump leaves these pages out, and locked
    // pages never reach swap. A process over its lock limit still works.
    ::madvise(pages, mapped, MADV_DONTDUMP);
    ::mlock(pages, mapped);
    Pages = static_cast<char*>(pages);
    Mapped = mapped;
    Size = text.size();
    std::memcpy(Pages, text.data(), Size);
    Pages[Size] = '\0';
}

TIdSecret::~TIdSecret() {
    Clear();
}

TIdSecret::TIdSecret(TIdSecret&& other) noexcept
    : Pages(std::exchange(other.Pages, nullptr)), Size(std::exchange(other.Size, 0)),
      Mapped(std::exchange(other.Mapped, 0)) {}

TIdSecret& TIdSecret::operator=(TIdSecret&& other) noexcept {
    if (this != &other) {
        Clear();
        Pages = std::exchange(other.Pages, nullptr);
        Size = std::exchange(other.Size, 0);
        Mapped = std::exchange(other.Mapped, 0);
    }
    return *this;
}

TIdSecret TIdSecret::Take(std::string& text) {
    TIdSecret secret(text);
    WipeBytes(text.data(), text.size());
    text.clear();
    return secret;
}

void TIdSecret::Clear() {
    if (Pages == nullptr)
        return;
    WipeBytes(Pages, Mapped);
    ::munlock(Pages, Mapped);
    ::munmap(Pages, Mapped);
    Pages = nullptr;
    Size = 0;
    Mapped = 0;
}

} // namespace lemnar
