// The ClearCase operations behind the type, lock and removal requests, and
// the table-of-contents and log lines that report them. Every name and path
// reaches cleartool as one quoted word through the command layer.
#pragma once

#include <string>
#include <string_view>

#include "common/cc_query.h"
#include "receiver/metadata/metadata_context.h"

namespace receiver_metadata {

// The reason a request was not carried out, for the table of contents:
// IGNORED_BY_RECEIVER_PROCESS, NOT_IGNORED or IGNORED_BY_RECEIVER_KEY.
const char* toc_reason(int ignored, int allowed);

// Writes "   <command> <kind> => "<object>"  <reason>" to the table of
// contents; for the command "rename" (object "old:new") the rename line,
// and only when old and new differ.
void log_ignoring_this_action_to_TOC(const MetadataSettings& settings, int ignored, int allowed,
                                     std::string_view command, std::string_view kind, std::string_view object);

// ignored: logs MSG_122; allowed: runs `cleartool <command> <kind>type:name@T`
// (outputs discarded, failure ignored) and logs MSG_121; otherwise MSG_122a.
void modify_MD__ignore_errors(const MetadataSettings& settings, int ignored, int allowed, CleartoolCommand command,
                              TypeKind kind, const std::string& name);

// When the type exists and the request is not carried out: MSG_116
// (ignored) or MSG_116a (not allowed). Nothing when the request is allowed.
void if_exist__warn_that_skipped(const MetadataSettings& settings, int ignored, int allowed, std::string_view command,
                                 TypeKind kind, const std::string& name);
// The same for a rename, asked of the old name: MSG_116b or MSG_116c.
void if_exist__warn_that_rename_skipped(const MetadataSettings& settings, int ignored, int allowed,
                                        std::string_view command, TypeKind kind, const std::string& old_name,
                                        const std::string& new_name);
// When the request is not allowed and `cleartool describe -s path`
// succeeds: MSG_116a with the command, the kind in capitals and the path.
void if_element_or_branch_exist__warn_that_skipped(const MetadataSettings& settings, int allowed,
                                                   std::string_view command, std::string_view kind_capitals,
                                                   const std::string& path);

// When `cleartool describe path` succeeds, runs `cleartool lock|unlock path`
// (outputs discarded, failure ignored). Returns 1 when the command ran and
// succeeded.
int lock_or_unlock__element_or_branch__if_exists__ignore_errors(CleartoolCommand command, const std::string& path);

// An existing type is unlocked; a missing one is made (comment
// IMPORT_COMMENT) and noted as made for this packet.
void unlocktype_if_exists_else_maketype__ignore_errors(const MetadataSettings& settings, MetadataPacket& packet,
                                                       TypeKind kind, const std::string& name);

// When the type exists: `cleartool rmtype -nc -f -rmall`; failure logs
// MSG_118. Returns 1 when the type was removed.
int if_type_exist_remove_type__ignore_errors(const MetadataSettings& settings, TypeKind kind, const std::string& name);

// When the old type exists and the new one does not: `cleartool rename -nc`;
// failure logs MSG_118b. Returns 1 when renamed.
int if_type_exist_rename_type__ignore_errors(const MetadataSettings& settings, TypeKind kind,
                                             const std::string& old_name, const std::string& new_name);

// When the type does not exist, makes it with the given scope; when it still
// does not exist, MSG_51a. A type made here is noted as made for this packet.
// Returns 1 when the type exists afterwards.
int if_type_not_exists__create_it__log_errors(const MetadataSettings& settings, MetadataPacket& packet, TypeKind kind,
                                              bool global, const std::string& name);
// The same for a type that the header records of a packet name: kind is
// "branch", "label" or "attribute", scope "global" or "ordinary"; the type
// is made in `vob` with a comment naming `location`. 0 for an unknown kind.
int create_needed_type(const MetadataSettings& settings, MetadataPacket& packet, std::string_view kind,
                       std::string_view scope, const std::string& name, const std::string& vob,
                       const std::string& location);

// Makes (or, when it exists, replaces) the type of a "mktype"/"modtype"
// request: "name[:flags]", the first flag "g" for global, the second the
// instance constraint. MSG_51a when the type is missing afterwards. Returns 1
// when the type exists afterwards.
int create_or_replace_type__ignore_errors(const MetadataSettings& settings, MetadataPacket& packet, TypeKind kind,
                                          std::string_view record);

// 1 when `cleartool lstype kind:name@T` succeeds.
int the_type_exists(const MetadataSettings& settings, TypeKind kind, const std::string& name);

}  // namespace receiver_metadata
