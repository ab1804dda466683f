#include "common/cc_type_cache.h"

#include "common/cc_query.h"

TypeCache TYPE_CACHE;

namespace {

enum class Question { is_global, exists };

// The key of one question: the name between the pair of characters that
// belongs to the kind and the question.
std::string cache_key(Question question, std::string_view kind, std::string_view name) {
    char left = '?';
    char right = '?';
    if (question == Question::is_global) {
        if (kind == BRTYPE)
            left = right = '=';
        else if (kind == LBTYPE)
            left = right = '+';
        else
            left = right = '%';
    } else {
        if (kind == BRTYPE)
            left = '{', right = '}';
        else if (kind == LBTYPE)
            left = '(', right = ')';
        else
            left = '[', right = ']';
    }
    std::string key;
    key.reserve(name.size() + 2);
    key += left;
    key.append(name);
    key += right;
    return key;
}

int ask(Question question, std::string_view kind, std::string_view name, std::string_view vob) {
    return question == Question::is_global ? is_global_type(kind, name, vob) : type_exists(kind, name, vob);
}

int cached(Question question, std::string_view kind, std::string_view name, std::string_view vob) {
    TypeCache& cache = TYPE_CACHE;
    if (!cache.enabled) return ask(question, kind, name, vob);

    std::string key = cache_key(question, kind, name);
    if (cache.TYPE_EXISTANCE_TESTED.contains(key)) return cache.CURRENTLY_EXISTS_OR_GLOBAL_TYPES.contains(key) ? 1 : 0;

    int answer = ask(question, kind, name, vob);
    if (cache.tested_chars + key.size() < cache.capacity) {
        cache.tested_chars += key.size();
        if (answer) cache.CURRENTLY_EXISTS_OR_GLOBAL_TYPES.insert(key);
        cache.TYPE_EXISTANCE_TESTED.insert(std::move(key));
    }
    return answer;
}

}  // namespace

void reset_type_cache() {
    TYPE_CACHE.tested_chars = 0;
    TYPE_CACHE.TYPE_EXISTANCE_TESTED.clear();
    TYPE_CACHE.CURRENTLY_EXISTS_OR_GLOBAL_TYPES.clear();
}

int is_global_branch_type(std::string_view name, std::string_view vob) {
    return cached(Question::is_global, BRTYPE, name, vob);
}
int is_global_label_type(std::string_view name, std::string_view vob) {
    return cached(Question::is_global, LBTYPE, name, vob);
}
int is_global_attribute_type(std::string_view name, std::string_view vob) {
    return cached(Question::is_global, ATTYPE, name, vob);
}
int branch_type_exists(std::string_view name, std::string_view vob) {
    return cached(Question::exists, BRTYPE, name, vob);
}
int label_type_exists(std::string_view name, std::string_view vob) {
    return cached(Question::exists, LBTYPE, name, vob);
}
int attribute_type_exists(std::string_view name, std::string_view vob) {
    return cached(Question::exists, ATTYPE, name, vob);
}

int the_type_exists(std::string_view kind_word, std::string_view name, std::string_view vob) {
    if (kind_word == LABEL) return label_type_exists(name, vob);
    if (kind_word == BRANCH) return branch_type_exists(name, vob);
    if (kind_word == ATTRIBUTE) return attribute_type_exists(name, vob);
    return 0;
}
