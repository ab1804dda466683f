// The per-packet cache of type questions to ClearCase.
//
// While the shipper converts one packet it asks the same few questions about
// branch, label and attribute types again and again; each answer costs a
// `cleartool` run. The cache remembers, per packet, which questions were
// asked and which were answered yes. The key is the type name wrapped in a
// pair of characters that tells the kind and the question apart (the VOB is
// not part of it: within one packet every question concerns one VOB). The
// keys of asked questions add up to less than TYPE_CACHE_CAPACITY characters;
// once that is reached, answers are still right but no longer remembered.
//
// In the receiver the cache is off and every question runs its command.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_set>

inline constexpr std::size_t TYPE_CACHE_CAPACITY = 2048000;

struct TypeCache {
    bool enabled = false;                        // the shipper turns it on
    std::size_t capacity = TYPE_CACHE_CAPACITY;  // characters of asked keys
    std::size_t tested_chars = 0;                // characters of asked keys so far
    std::unordered_set<std::string> TYPE_EXISTANCE_TESTED;
    std::unordered_set<std::string> CURRENTLY_EXISTS_OR_GLOBAL_TYPES;
};
extern TypeCache TYPE_CACHE;

// Empties the cache; called at the start of every packet conversion.
void reset_type_cache();

// The cached questions (uncached when TYPE_CACHE.enabled is false).
int is_global_branch_type(std::string_view name, std::string_view vob);
int is_global_label_type(std::string_view name, std::string_view vob);
int is_global_attribute_type(std::string_view name, std::string_view vob);
int branch_type_exists(std::string_view name, std::string_view vob);
int label_type_exists(std::string_view name, std::string_view vob);
int attribute_type_exists(std::string_view name, std::string_view vob);

// "label", "branch" or "attribute" to the existence question of that kind;
// any other word gives 0.
int the_type_exists(std::string_view kind_word, std::string_view name, std::string_view vob);
