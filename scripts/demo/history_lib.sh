# Authoring of a VOB's history through cleartool, for the demonstration and
# the chain tests. Source it; every function returns non-zero at the first
# command that fails, after saying which on standard error.

# _ct ARGS...: cleartool, quiet on success, loud on failure.
_ct() {
    local out
    out=$(cleartool "$@" 2>&1) || {
        echo "cleartool $*: $out" >&2
        return 1
    }
}

# author_history VIEW VOB: a small project's history in a VOB whose root is
# still at /main/0: directories, text and binary files, versions on main and
# on a branch, a nested directory made on the branch, labels (one moved),
# string and integer attributes on versions, a merge arrow from the branch
# back to main, a symbolic link, a removed element, a user element type,
# attributes of an element and of a branch, and locks on a label type and an
# element. Everything in it reaches a receiving site with the first packet,
# which carries a VOB's whole history.
author_history() {
    local view=$1 vob=$2
    (
        set -e
        _ct mkbrtype -nc dev@"$vob"
        _ct mklbtype -nc REL1@"$vob"
        _ct mklbtype -nc BETA@"$vob"
        _ct mkattype -nc -vtype string Status@"$vob"
        _ct mkattype -nc -vtype integer Review@"$vob"
        _ct mkeltype -nc -supertype text_file c_source@"$vob"
        cd "/view/$view$vob"
        _ct checkout -nc .
        _ct mkdir -nc src doc
        _ct mkelem -nc -eltype c_source src/main.c src/util.c
        printf 'int main(void) { return 0; }\n' > src/main.c
        printf 'int util(void) { return 1; }\n' > src/util.c
        _ct mkelem -nc src/Makefile doc/README doc/LICENSE doc/logo.bin doc/old.txt
        printf 'all: main\n' > src/Makefile
        printf 'A small project.\n' > doc/README
        printf 'Free to copy.\n' > doc/LICENSE
        printf '\000\001\002logo\377\n' > doc/logo.bin
        printf 'obsolete notes\n' > doc/old.txt
        _ct checkin -c 'first cut' src/main.c src/util.c src/Makefile doc/README doc/LICENSE doc/logo.bin doc/old.txt
        _ct ln -s -nc ../src/main.c doc/main.c
        _ct checkin -nc src doc .
        _ct mklabel -nc REL1 src/main.c src/util.c src/Makefile doc/README
        _ct checkout -nc src/main.c
        printf 'int util(void);\nint main(void) { return util(); }\n' > src/main.c
        _ct checkin -c 'main calls util' src/main.c
        _ct mklabel -nc -replace REL1 src/main.c
        _ct mkattr -nc Status '"reviewed by two"' src/main.c@@/main/2
        _ct mkattr -nc Review 2 src/main.c@@/main/2
        # Work on the branch: a new version and a new directory with a file.
        _ct mkbranch -nc dev src/util.c
        printf 'int util(void) { return 2; }\n' > src/util.c
        _ct checkin -c 'util on dev' src/util.c
        _ct checkout -nc src
        _ct mkdir -nc src/net
        _ct mkelem -nc src/net/sock.c
        printf 'int sock(void) { return 3; }\n' > src/net/sock.c
        _ct checkin -nc src/net/sock.c src/net src
        # Merge the branch back to main.
        _ct checkout -nc src/util.c
        printf 'int util(void) { return 2; }\n/* merged from dev */\n' > src/util.c
        _ct merge -to src/util.c -ndata src/util.c@@/main/dev/1
        _ct checkin -c 'merge from dev' src/util.c
        _ct mklabel -nc BETA src/util.c src/main.c
        # A file that goes away again before anything is replicated.
        _ct rmelem -f doc/old.txt
        # What the exported versions do not carry: attributes of an element
        # and of a branch (one replaced, one removed again) and locks (one
        # lifted again).
        _ct mkattr -nc Status '"draft"' doc/README@@
        _ct mkattr -nc -replace Status '"documented"' doc/README@@
        _ct mkattr -nc Review 1 src/main.c@@/main
        _ct mkattr -nc Status '"short-lived"' src/util.c@@
        _ct rmattr -nc Status src/util.c@@
        _ct mklbtype -nc OLD@"$vob"
        _ct mklabel -nc OLD doc/logo.bin
        _ct lock "lbtype:OLD@$vob"
        _ct lock doc/LICENSE
        _ct lock "brtype:dev@$vob"
        _ct unlock "brtype:dev@$vob"
    )
}

# change_history VIEW VOB: later changes to a VOB made by author_history: a
# new version on main with a label moved to it, a changed version attribute,
# attributes of an element and of a branch, a new file with an attribute, a
# removed label and a removed element, a locked label type and a locked
# branch.
change_history() {
    local view=$1 vob=$2
    (
        set -e
        cd "/view/$view$vob"
        _ct checkout -nc doc/README
        printf 'A small project.\nNow replicated.\n' > doc/README
        _ct checkin -c 'say it is replicated' doc/README
        _ct mklabel -nc -replace REL1 doc/README
        _ct mkattr -nc -replace Review 3 src/main.c@@/main/2
        _ct mkattr -nc Status '"core module"' src/main.c@@
        _ct mkattr -nc Status '"feature work"' src/util.c@@/main/dev
        _ct checkout -nc doc
        _ct mkelem -nc doc/CHANGES
        printf 'replication started\n' > doc/CHANGES
        _ct checkin -nc doc/CHANGES doc
        _ct mkattr -nc Review 1 doc/CHANGES@@
        _ct rmlabel BETA src/main.c
        _ct rmelem -f src/Makefile
        _ct lock "lbtype:BETA@$vob"
        _ct lock src/util.c@@/main/dev
    )
}
