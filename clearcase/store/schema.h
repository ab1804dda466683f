// The store's SQLite schema: one database (<registry>/ccsub.db) holds the
// registry of VOB and view tags and the contents of every VOB. Version
// contents are files in the content-addressed store <registry>/cas/xx/<sha256>
// (NULL content = empty file). This layout is published: readers in other
// modules may query it directly; changes are announced in commit messages.
//
// Conventions:
//  * times are whole seconds since the epoch (system clock);
//  * users are login names; perms are the 9 low mode bits (e.g. 0644);
//  * kinds: elements.kind 'file' | 'directory' | 'slink';
//           types.kind 'brtype' | 'lbtype' | 'attype' | 'eltype' | 'trtype' | 'hltype';
//           attrs.obj_kind and locks.obj_kind name the table of obj_id:
//           'element' | 'branch' | 'version' ('vob' and 'type' for locks);
//  * meta key 'branch_max:<branch id>' = highest version number ever removed
//    from that branch (numbers are never handed out twice);
//  * a branch's path is its brtype names from main down: /main/dev/fix;
//    a version id (vid) is branch path + "/" + num.
#pragma once

namespace ccsub {

inline constexpr const char* kSchemaSql = R"SQL(
CREATE TABLE IF NOT EXISTS meta(key TEXT PRIMARY KEY, value TEXT);
CREATE TABLE IF NOT EXISTS vobs(
  id INTEGER PRIMARY KEY, tag TEXT UNIQUE NOT NULL, storage TEXT NOT NULL,
  oid TEXT NOT NULL, mounted INTEGER NOT NULL DEFAULT 1, public INTEGER NOT NULL DEFAULT 1,
  created INTEGER NOT NULL, owner TEXT NOT NULL, comment TEXT NOT NULL DEFAULT '',
  root_eid INTEGER);
CREATE TABLE IF NOT EXISTS views(
  id INTEGER PRIMARY KEY, tag TEXT UNIQUE NOT NULL, storage TEXT NOT NULL,
  config_spec TEXT NOT NULL, created INTEGER NOT NULL, owner TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS types(
  id INTEGER PRIMARY KEY, vob_id INTEGER NOT NULL, kind TEXT NOT NULL, name TEXT NOT NULL,
  scope TEXT NOT NULL DEFAULT 'ordinary',      -- 'global' | 'ordinary'
  pbranch INTEGER NOT NULL DEFAULT 0,          -- brtype/lbtype: one instance per branch
  vp TEXT NOT NULL DEFAULT '',                 -- attype: '' | 'element' | 'branch' | 'version'
  vtype TEXT NOT NULL DEFAULT '',              -- attype: 'string' | 'integer' | 'real' | 'time' | 'opaque'
  default_value TEXT,                          -- attype default, as displayed ("x" quoted for strings)
  supertype TEXT NOT NULL DEFAULT '',          -- eltype
  tr_ops TEXT NOT NULL DEFAULT '',             -- trtype: ',checkin,mklabel,' (',' both ends; ',all,' for any)
  tr_when TEXT NOT NULL DEFAULT '',            -- trtype: 'postop' | 'preop'
  tr_exec TEXT NOT NULL DEFAULT '',            -- trtype: -execunix text
  predefined INTEGER NOT NULL DEFAULT 0,
  created INTEGER NOT NULL, owner TEXT NOT NULL, comment TEXT NOT NULL DEFAULT '',
  UNIQUE(vob_id, kind, name));
CREATE TABLE IF NOT EXISTS elements(
  id INTEGER PRIMARY KEY, vob_id INTEGER NOT NULL, kind TEXT NOT NULL,
  eltype_id INTEGER, owner TEXT NOT NULL, grp TEXT NOT NULL, perms INTEGER NOT NULL,
  slink_text TEXT, created INTEGER NOT NULL, user TEXT NOT NULL, comment TEXT NOT NULL DEFAULT '');
CREATE TABLE IF NOT EXISTS branches(
  id INTEGER PRIMARY KEY, eid INTEGER NOT NULL, brtype_id INTEGER NOT NULL,
  parent_id INTEGER,                            -- NULL for main
  origin_vid INTEGER,                           -- version on the parent it sprouts from
  created INTEGER NOT NULL, user TEXT NOT NULL, comment TEXT NOT NULL DEFAULT '',
  UNIQUE(eid, brtype_id));
CREATE INDEX IF NOT EXISTS branches_parent ON branches(parent_id);
CREATE INDEX IF NOT EXISTS branches_type ON branches(brtype_id);
CREATE TABLE IF NOT EXISTS versions(
  id INTEGER PRIMARY KEY, eid INTEGER NOT NULL, branch_id INTEGER NOT NULL, num INTEGER NOT NULL,
  content TEXT,                                 -- sha256 hex of the bytes; NULL = empty
  size INTEGER NOT NULL DEFAULT 0,
  created INTEGER NOT NULL, user TEXT NOT NULL, comment TEXT NOT NULL DEFAULT '',
  UNIQUE(branch_id, num));
CREATE INDEX IF NOT EXISTS versions_eid ON versions(eid);
-- Entries of directory versions, and of directory checkouts (co_id).
CREATE TABLE IF NOT EXISTS dirents(version_id INTEGER NOT NULL, name TEXT NOT NULL, eid INTEGER NOT NULL,
  PRIMARY KEY(version_id, name));
CREATE INDEX IF NOT EXISTS dirents_eid ON dirents(eid);
CREATE TABLE IF NOT EXISTS co_dirents(co_id INTEGER NOT NULL, name TEXT NOT NULL, eid INTEGER NOT NULL,
  PRIMARY KEY(co_id, name));
CREATE INDEX IF NOT EXISTS co_dirents_eid ON co_dirents(eid);
-- A checkout: the working content of a file checkout is the file at
-- <view root>/<view tag><path> (path VOB-tag-rooted).
CREATE TABLE IF NOT EXISTS checkouts(
  id INTEGER PRIMARY KEY, eid INTEGER NOT NULL, branch_id INTEGER NOT NULL, view_id INTEGER NOT NULL,
  pred_vid INTEGER NOT NULL, path TEXT NOT NULL, created INTEGER NOT NULL, user TEXT NOT NULL,
  comment TEXT NOT NULL DEFAULT '', UNIQUE(eid, view_id));
CREATE INDEX IF NOT EXISTS checkouts_view ON checkouts(view_id);
CREATE TABLE IF NOT EXISTS labels(
  version_id INTEGER NOT NULL, lbtype_id INTEGER NOT NULL, eid INTEGER NOT NULL, branch_id INTEGER NOT NULL,
  created INTEGER NOT NULL, PRIMARY KEY(version_id, lbtype_id));
CREATE INDEX IF NOT EXISTS labels_type ON labels(lbtype_id, eid);
CREATE TABLE IF NOT EXISTS attrs(
  obj_kind TEXT NOT NULL, obj_id INTEGER NOT NULL, attype_id INTEGER NOT NULL, eid INTEGER NOT NULL,
  value TEXT NOT NULL,                          -- as displayed: "text" quoted, numbers bare
  created INTEGER NOT NULL, PRIMARY KEY(obj_kind, obj_id, attype_id));
CREATE INDEX IF NOT EXISTS attrs_type ON attrs(attype_id);
CREATE INDEX IF NOT EXISTS attrs_eid ON attrs(eid);
-- Hyperlinks between versions (Merge arrows: from -> to). to_vid < 0 is an
-- arrow into checkout -to_vid (merge -to on a checkout), set at checkin;
-- readers skip such rows.
CREATE TABLE IF NOT EXISTS hlinks(
  id INTEGER PRIMARY KEY, hltype_id INTEGER NOT NULL, from_vid INTEGER NOT NULL, to_vid INTEGER NOT NULL,
  eid INTEGER NOT NULL, created INTEGER NOT NULL, user TEXT NOT NULL, comment TEXT NOT NULL DEFAULT '');
CREATE INDEX IF NOT EXISTS hlinks_from ON hlinks(from_vid);
CREATE INDEX IF NOT EXISTS hlinks_to ON hlinks(to_vid);
CREATE TABLE IF NOT EXISTS locks(
  obj_kind TEXT NOT NULL, obj_id INTEGER NOT NULL,   -- 'vob' | 'type' | 'element' | 'branch'
  vob_id INTEGER NOT NULL,
  nusers TEXT NOT NULL DEFAULT '',              -- blank-separated exceptions; '' = all users
  obsolete INTEGER NOT NULL DEFAULT 0, created INTEGER NOT NULL, user TEXT NOT NULL,
  comment TEXT NOT NULL DEFAULT '', PRIMARY KEY(obj_kind, obj_id));
-- History. op = %o, mkind = %m, descr = %e, name = %n (VOB-tag-rooted
-- paths at the time of the event), comment = %c. eid/branch_id/version_id
-- tie the event to its object so that removing the object removes its
-- events; type_id for type events.
CREATE TABLE IF NOT EXISTS events(
  id INTEGER PRIMARY KEY, vob_id INTEGER NOT NULL, time INTEGER NOT NULL, user TEXT NOT NULL,
  op TEXT NOT NULL, mkind TEXT NOT NULL, descr TEXT NOT NULL, name TEXT NOT NULL,
  comment TEXT NOT NULL DEFAULT '', user_comment TEXT NOT NULL DEFAULT '',
  minor INTEGER NOT NULL DEFAULT 0,             -- 1 for label/attribute/hyperlink events
  eid INTEGER, branch_id INTEGER, version_id INTEGER, type_id INTEGER);
CREATE INDEX IF NOT EXISTS events_eid ON events(eid);
CREATE INDEX IF NOT EXISTS events_vob_time ON events(vob_id, time);
-- What is materialised in each view: one row per path (VOB-tag-rooted);
-- sel is the selected version id, 'co:<checkout id>', or 'slink'.
CREATE TABLE IF NOT EXISTS mat(
  view_id INTEGER NOT NULL, path TEXT NOT NULL, parent TEXT NOT NULL, eid INTEGER NOT NULL,
  sel TEXT NOT NULL, PRIMARY KEY(view_id, path));
CREATE INDEX IF NOT EXISTS mat_parent ON mat(view_id, parent);
CREATE INDEX IF NOT EXISTS mat_eid ON mat(eid, view_id);
)SQL";

}  // namespace ccsub
