// Credential scrambling: alphabets, known vectors, round trips, refusals.
#include "codecs/scramble.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>

namespace {

TEST(Alphabets, SizesDistinctRemaindersAndBlank) {
    struct Case {
        std::string_view alphabet;
        int size;
        bool has_blank;
    };
    for (const Case& c :
         {Case{password_alphabet(), PW_HASH_SIZE, false}, Case{passkey_alphabet(), PKEY_HASH_SIZE, true}}) {
        ASSERT_EQ(c.alphabet.size(), static_cast<std::size_t>(c.size));
        std::set<int> chars, remainders;
        for (char ch : c.alphabet) {
            EXPECT_TRUE(ch >= 32 && ch <= 126) << int(ch);
            chars.insert(ch);
            remainders.insert(ch % c.size);
        }
        EXPECT_EQ(chars.size(), c.alphabet.size());
        EXPECT_EQ(remainders.size(), c.alphabet.size()) << "two characters share a remainder";
        EXPECT_EQ(c.alphabet.find(' ') != std::string_view::npos, c.has_blank);
    }
}

// Vectors worked out by hand from the chained substitution:
//  ("a","b",-,"c"): check (97+98+99) mod 87 = 33 -> 'x'; then
//  (97+98+99+120) mod 87 = 66 -> '*'.
//  ("ab","c",-,"d"): check over L=2: i0 (97+99+100)=296 mod 87=35,
//  i1 (98+0+0+35)=133 mod 87=46 -> 'K'; then (97+99+100+75) mod 87 = 23 -> 'n'.
TEST(PasswordScrambling, KnownVectors) {
    struct Case {
        const char *machine, *user, *extra, *password, *scrambled;
    };
    const Case cases[] = {
        {"a", "b", nullptr, "c", "x*"},
        {"ab", "c", nullptr, "d", "Kn"},
        {"AB", "C", "", "d", "Kn"},  // machine/user case-blind, empty extra == none
        {"10.3", "1.2", nullptr, "1700000000_l", "JLPO40-*&Xm3J"},
        {"Host", "DOM\\me", "x", "pw", "$BX"},
        {"host", "dom/me", "x", "pw", "$BX"},  // backslash in user becomes '/'
    };
    for (const Case& c : cases) {
        std::string out;
        ASSERT_EQ(return_crypted_password(c.machine, c.user, c.extra, c.password, out), 1) << c.password;
        EXPECT_EQ(out, c.scrambled);
        std::string back;
        ASSERT_EQ(return_password(c.machine, c.user, c.extra, c.scrambled, back), 1);
        EXPECT_EQ(back, c.password);
    }
}

TEST(PasswordScrambling, ExtraIsCaseSensitiveAndBindsTheText) {
    std::string a, b, back;
    ASSERT_EQ(return_crypted_password("m", "u", "Extra", "secret", a), 1);
    ASSERT_EQ(return_crypted_password("m", "u", "extra", "secret", b), 1);
    EXPECT_NE(a, b);
    ASSERT_EQ(return_password("m", "u", "extra", a.c_str(), back), 1);
    EXPECT_NE(back, "secret");
}

TEST(PasswordScrambling, Refusals) {
    const std::string long256(256, 'a'), long255(255, 'a');
    const std::string extra1024(1024, 'e'), extra1023(1023, 'e');
    struct Case {
        const char *machine, *user, *extra, *password;
        int expected;
    };
    const Case cases[] = {
        {nullptr, "u", nullptr, "p", 0},
        {"", "u", nullptr, "p", 0},
        {"m", nullptr, nullptr, "p", 0},
        {"m", "", nullptr, "p", 0},
        {"m", "u", nullptr, nullptr, 0},
        {"m", "u", nullptr, "", 0},
        {long256.c_str(), "u", nullptr, "p", 0},
        {"m", long256.c_str(), nullptr, "p", 0},
        {"m", "u", nullptr, long256.c_str(), 0},
        {long255.c_str(), long255.c_str(), nullptr, long255.c_str(), 1},
        {"m", "u", extra1024.c_str(), "p", 0},
        {"m", "u", extra1023.c_str(), "p", 1},
        {"m", "u", nullptr, "with blank", 0},
        {"m", "u", nullptr, "tab\there", 0},
        {"m", "u", nullptr, "nl\n", 0},
        {"m", "u", nullptr, "bang!", 0},  // not in the alphabet: would not round-trip
        {"m", "u", nullptr, "caf\xc3\xa9", 0},
    };
    for (const Case& c : cases) {
        std::string out = "untouched";
        EXPECT_EQ(return_crypted_password(c.machine, c.user, c.extra, c.password, out), c.expected)
            << (c.password ? c.password : "(null)");
        if (c.expected == 0) {
            EXPECT_EQ(out, "untouched");
        }
    }
}

TEST(PasswordUnscrambling, Refusals) {
    struct Case {
        const char *machine, *user, *scrambled;
    };
    const Case cases[] = {
        {"m", "u", nullptr}, {"m", "u", ""},       {"m", "u", "x"},   // fewer than 2 characters
        {"", "u", "xx"},     {"m", nullptr, "xx"}, {"m", "u", "x!"},  // '!' not in the alphabet
        {"m", "u", "x y"},
    };
    for (const Case& c : cases) {
        std::string out = "untouched";
        EXPECT_EQ(return_password(c.machine, c.user, nullptr, c.scrambled, out), 0)
            << (c.scrambled ? c.scrambled : "(null)");
        EXPECT_EQ(out, "untouched");
    }
}

TEST(PasswordUnscrambling, LengthLimit) {
    std::string out;
    EXPECT_EQ(return_password("m", "u", nullptr, std::string(SCRAMBLE_MAX_SCRAMBLED, 'a').c_str(), out), 1);
    EXPECT_EQ(out.size(), SCRAMBLE_MAX_SCRAMBLED - 1);
    EXPECT_EQ(return_password("m", "u", nullptr, std::string(SCRAMBLE_MAX_SCRAMBLED + 1, 'a').c_str(), out), 0);
}

TEST(PasswordUnscrambling, NonAsciiMachineStaysInRange) {
    // Bytes above 127 count as negative values; the chain must still index the
    // alphabet and round-trip.
    std::string out, back;
    ASSERT_EQ(return_crypted_password("h\xff\xfe", "\x80\x81", "\xc3\xa9", "abc", out), 1);
    ASSERT_EQ(return_password("h\xff\xfe", "\x80\x81", "\xc3\xa9", out.c_str(), back), 1);
    EXPECT_EQ(back, "abc");
}

TEST(PasswordScrambling, RandomRoundTrips) {
    std::mt19937 rng(12345);
    auto random_text = [&](std::string_view alphabet, std::size_t min_len, std::size_t max_len) {
        std::uniform_int_distribution<std::size_t> len(min_len, max_len), pick(0, alphabet.size() - 1);
        std::string s(len(rng), ' ');
        for (char& c : s) c = alphabet[pick(rng)];
        return s;
    };
    const std::string_view pw = password_alphabet();
    for (int round = 0; round < 2000; ++round) {
        std::string machine = random_text(pw, 1, 40), user = random_text(pw, 1, 40);
        std::string extra = random_text(pw, 0, 60), password = random_text(pw, 1, 255);
        std::string out, back;
        ASSERT_EQ(return_crypted_password(machine.c_str(), user.c_str(), extra.c_str(), password.c_str(), out), 1);
        ASSERT_EQ(out.size(), password.size() + 1);
        ASSERT_EQ(return_password(machine.c_str(), user.c_str(), extra.c_str(), out.c_str(), back), 1);
        ASSERT_EQ(back, password) << machine << " " << user << " " << extra;
        // Upper-cased machine and user unscramble the same way.
        for (char& c : machine) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        ASSERT_EQ(return_password(machine.c_str(), user.c_str(), extra.c_str(), out.c_str(), back), 1);
        ASSERT_EQ(back, password);
    }
}

TEST(ReplicationKey, FixedWordsAndBufferForms) {
    std::string out, back;
    ASSERT_EQ(scramble_replication_text("vob:0123abcd.ef<rmelem.f<src/a.c", out), 1);
    ASSERT_EQ(return_encrypted_qn_key("10.3", "1.2", nullptr, "vob:0123abcd.ef<rmelem.f<src/a.c"), 1);
    EXPECT_EQ(SCRAMBLE.qn_crypted_key, out);
    ASSERT_EQ(return_qn_key("10.3", "1.2", nullptr, out.c_str()), 1);
    EXPECT_EQ(SCRAMBLE.qn_key, "vob:0123abcd.ef<rmelem.f<src/a.c");
    ASSERT_EQ(unscramble_replication_text(out.c_str(), back), 1);
    EXPECT_EQ(back, SCRAMBLE.qn_key);
}

//  ("a","b","c","d"): text "a b c d", check 490 mod 91 = 35 -> 'y'; then
//  (97+121)=218 mod 91=36 -> 'z', (32+122) mod 91 = 63 -> '!', ... -> yz!D8"$I
TEST(PasskeyScrambling, KnownVectors) {
    struct Case {
        const char *machine, *user, *password, *directory, *passkey, *words;
    };
    const Case cases[] = {
        {"a", "b", "c", "d", "yz!D8\"$I", "a b c d"},
        {"Mach", "Dom\\User", "s3cret!", "/recv dir", "L2T0YtxM36<@,%'!@*#I6]x.'M[qR J5",
         "mach dom/user s3cret! /recv dir"},
    };
    for (const Case& c : cases) {
        std::string out, back;
        ASSERT_EQ(return_crypted_pkey(c.machine, c.user, c.password, c.directory, out), 1);
        EXPECT_EQ(out, c.passkey);
        ASSERT_EQ(return_pkey(c.passkey, back), 1);
        EXPECT_EQ(back, c.words);
    }
}

TEST(PasskeyScrambling, RefusalsAndAcceptances) {
    const std::string dir_too_long(1024, 'd');
    const std::string dir_fits(1022 - std::string("m u p ").size(), 'd');
    struct Case {
        const char *machine, *user, *password, *directory;
        int expected;
    };
    const Case cases[] = {
        {nullptr, "u", "p", "d", 0},
        {"m", "", "p", "d", 0},
        {"m", "u", "", "d", 0},
        {"m", "u", "p", nullptr, 0},
        {"m x", "u", "p", "d", 0},
        {"m", "u\t", "p", "d", 0},
        {"m", "u", "p w", "d", 0},
        {"m", "u", "p", "dir with blanks", 1},
        {"m", "u", "p{", "d", 0},  // '{' is not in the passkey alphabet
        {"m", "u", "p", dir_too_long.c_str(), 0},
        {"m", "u", "p", dir_fits.c_str(), 1},
    };
    for (const Case& c : cases) {
        std::string out = "untouched";
        EXPECT_EQ(return_crypted_pkey(c.machine, c.user, c.password, c.directory, out), c.expected)
            << (c.directory ? c.directory : "(null)");
        if (c.expected == 1) {
            std::string back;
            EXPECT_EQ(return_pkey(out.c_str(), back), 1);
            EXPECT_LE(out.size(), SCRAMBLE_MAX_PASSKEY);
        } else {
            EXPECT_EQ(out, "untouched");
        }
    }
}

TEST(PasskeyUnscrambling, EdgeCases) {
    std::string out = "untouched";
    EXPECT_EQ(return_pkey("", out), 0);
    EXPECT_EQ(return_pkey(nullptr, out), 0);
    EXPECT_EQ(return_pkey(std::string(1024, 'a').c_str(), out), 0);
    EXPECT_EQ(return_pkey("ab{", out), 0);
    EXPECT_EQ(out, "untouched");
    EXPECT_EQ(return_pkey("q", out), 1);
    EXPECT_EQ(out, "");
    EXPECT_EQ(return_pkey(std::string(1023, 'a').c_str(), out), 1);
}

TEST(PasskeyScrambling, RandomRoundTripsWithBlanksInDirectory) {
    std::mt19937 rng(777);
    const std::string_view pk = passkey_alphabet();
    std::string no_blank(pk.substr(1));
    auto text = [&](std::string_view alphabet, std::size_t lo, std::size_t hi) {
        std::uniform_int_distribution<std::size_t> len(lo, hi), pick(0, alphabet.size() - 1);
        std::string s(len(rng), 'x');
        for (char& c : s) c = alphabet[pick(rng)];
        return s;
    };
    for (int round = 0; round < 2000; ++round) {
        std::string m = text(no_blank, 1, 30), u = text(no_blank, 1, 30), p = text(no_blank, 1, 30);
        std::string d = text(no_blank, 1, 1) + text(pk, 0, 200);
        std::string out, back;
        ASSERT_EQ(return_crypted_pkey(m.c_str(), u.c_str(), p.c_str(), d.c_str(), out), 1);
        ASSERT_EQ(return_pkey(out.c_str(), back), 1);
        PasskeyWords w;
        ASSERT_EQ(split_pkey(back, w), 1) << back;
        std::string lm = m, lu = u;
        for (char& c : lm) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        for (char& c : lu) c = c == '\\' ? '/' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        EXPECT_EQ(w.machine, lm);
        EXPECT_EQ(w.user, lu);
        EXPECT_EQ(w.password, p);
        EXPECT_EQ(w.directory, d);
    }
}

TEST(SplitPkey, Table) {
    struct Case {
        const char* text;
        int expected;
        const char* directory;
    };
    const Case cases[] = {
        {"m u p d", 1, "d"}, {"m u p dir with blanks", 1, "dir with blanks"},
        {"m u p", 0, ""},    {"m u p ", 0, ""},
        {"m  u p d", 0, ""}, {"", 0, ""},
    };
    for (const Case& c : cases) {
        PasskeyWords w;
        EXPECT_EQ(split_pkey(c.text, w), c.expected) << c.text;
        if (c.expected == 1) {
            EXPECT_EQ(w.directory, c.directory);
        }
    }
}

}  // namespace
