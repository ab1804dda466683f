#include "common/tokenizer.h"

#include <cstring>

char* Tokenizer::next(const char* str, const char* delims) {
    if (str) {
        work_.assign(str);
        pos_ = 0;
        active_ = true;
    }
    if (!active_) return nullptr;
    if (pos_ >= work_.size()) {
        active_ = false;
        if (empty_on_empty_) return work_.data() + work_.size();
        return nullptr;
    }
    char* token = work_.data() + pos_;
    char* hit = std::strpbrk(token, delims ? delims : "");
    if (!hit) {
        active_ = false;
        return token;
    }
    *hit = '\0';
    pos_ = static_cast<std::size_t>(hit - work_.data()) + 1;
    if (pos_ >= work_.size()) active_ = false;  // nothing follows the delimiter
    return token;
}

void Tokenizer::release() {
    std::string().swap(work_);
    pos_ = 0;
    active_ = false;
}

namespace {
struct Tokenizers {
    Tokenizer t1;
    Tokenizer t2;
    Tokenizer t3{true};
    Tokenizer tu;
};
Tokenizers& tokenizers() {
    static Tokenizers t;
    return t;
}
}  // namespace

char* STRTOK(const char* str, const char* delims) {
    return tokenizers().t1.next(str, delims);
}
char* STRTOK2(const char* str, const char* delims) {
    return tokenizers().t2.next(str, delims);
}
char* STRTOK3(const char* str, const char* delims) {
    return tokenizers().t3.next(str, delims);
}

char* STRTOK_U(const char* str, const char* delims, std::size_t size) {
    if (str && size == 0) return nullptr;
    return tokenizers().tu.next(str, delims);
}

void STRTOK_U_FREE() {
    tokenizers().tu.release();
}
