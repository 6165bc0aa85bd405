#pragma once
// A password, a passphrase or a prompt's answer on its way to the server.
// The text lives in pages of its own that core dumps leave out and that are
// kept out of swap where the system allows it, and it is wiped before those
// pages are let go. Moved, never copied by accident.

#include <cstddef>
#include <string>
#include <string_view>

namespace lemnar {

class TIdSecret {
  public:
    TIdSecret() = default;
    // Copies text; the caller wipes its own copy (Take does).
    explicit TIdSecret(std::string_view text);
    ~TIdSecret();
    TIdSecret(TIdSecret&& other) noexcept;
    TIdSecret& operator=(TIdSecret&& other) noexcept;
    TIdSecret(const TIdSecret&) = delete;
    TIdSecret& operator=(const TIdSecret&) = delete;

    // Copies text and wipes it where it was.
    static TIdSecret Take(std::string& text);
    // A second holder of the same text, for an attempt that uses it once.
    TIdSecret Copy() const { return TIdSecret(View()); }

    // NUL-terminated; "" when empty.
    const char* CStr() const { return Pages != nullptr ? Pages : ""; }
    std::string_view View() const { return {CStr(), Size}; }
    bool Empty() const { return Size == 0; }
    // Wipes the text and lets the pages go.
    void Clear();

  private:
    char* Pages = nullptr;
    std::size_t Size = 0;
    std::size_t Mapped = 0;
};

// Overwrites bytes in a way the compiler may not leave out.
void WipeBytes(void* bytes, std::size_t size);

} // namespace lemnar
