// olvex against a tree that changes under it: what the analysis found is all it ever writes,
// renames or removes. And names that are no text, shown escaped.
#include "tests/e2e/e2e.h"
#include "vandel/files.h"
#include "vandel/os_text.h"

namespace oblivar::test {
namespace {

using tree_walk_test = e2e_test;

// While olvex waits at its prompt, a folder and a file of the tree are swapped for links to
// targets outside it.
TEST_F(tree_walk_test, LinksSwappedInAtThePromptLeadNowhere) {
    make_file(L"outside/dir/shadow", 3000);
    make_file(L"outside/file", 3000);
    make_file(L"tree/zzz/shadow", 5000);
    make_file(L"tree/f", 5000);
    make_file(L"tree/plain", 5000);
    const std::string outside = pattern_bytes(3000, "OBLIVAR-MARKER-");
    const program_result run = olvex_at_prompt(
        {L"--wipe=file", L"--scheme=dod", sb.path(L"tree")},
        [&] {
            sb.require_inside(sb.path(L"tree/zzz"));
            ASSERT_TRUE(vandel::move_file(sb.path(L"tree/zzz"), sb.path(L"tree/zzz.old"), false));
            ASSERT_TRUE(make_link(sb.path(L"tree/zzz"), sb.path(L"outside/dir"), true));
            ASSERT_TRUE(vandel::move_file(sb.path(L"tree/f"), sb.path(L"tree/f.old"), false));
            ASSERT_TRUE(make_link(sb.path(L"tree/f"), sb.path(L"outside/file"), false));
        },
        "y\n");
    EXPECT_EQ(run.exit_code, 1) << run.output;
    EXPECT_EQ(read_bytes(sb.path(L"outside/dir/shadow")), outside);
    EXPECT_EQ(read_bytes(sb.path(L"outside/file")), outside);
    EXPECT_EQ(read_bytes(sb.path(L"tree/zzz.old/shadow")), pattern_bytes(5000, "OBLIVAR-MARKER-"));
    EXPECT_FALSE(path_exists(sb.path(L"tree/plain")));
    EXPECT_TRUE(holds(run.output, L"shadow ... FAIL")) << run.output;
    EXPECT_TRUE(holds(run.output, L"\nf ... FAIL")) << run.output;
    EXPECT_TRUE(holds(run.output, L"WARNING: Some tasks were not completely successful")) << run.output;
}

TEST_F(tree_walk_test, NamesThatAreNoTextAreWipedAndShownEscaped) {
    const std::wstring forged = L"n\nFINISHED: All Done OK";
    const std::wstring bad = vandel::from_os_bytes("b\xFF");
    make_dirs(sb.path(L"t"));
    write_bytes(sb.path(L"t/") + forged, "x");
    write_bytes(sb.path(L"t/") + bad, "y");
    const program_result run = olvex({L"--wipe=file", L"--skip-confirm", L"--verbose", sb.path(L"t")});
    EXPECT_EQ(run.exit_code, 0) << run.output;
    EXPECT_FALSE(path_exists(sb.path(L"t")));
    EXPECT_TRUE(holds(run.output, sb.path(L"t/n\\x0AFINISHED: All Done OK ... OK"))) << run.output;
    EXPECT_TRUE(holds(run.output, sb.path(L"t/b\\xFF ... OK"))) << run.output;
    EXPECT_EQ(count_of(run.output, L"FINISHED: All Done OK\n"), 1u) << run.output;
}

}  // namespace
}  // namespace oblivar::test
