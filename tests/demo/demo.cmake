# The README's main job, run as a person would run it: the hosts on the shipped samples.
add_test(NAME MainJobDemo.RunsTheProgramsOnTheSamples
         COMMAND bash -c "set -o pipefail; out=$(\"$0\" \"$1\") || exit 1; \
grep -q '\"reloadAfter\":\"2025-01-31T09:45:00Z\"' <<<\"$out\" && \
grep -q '\"sound\":\"named:chime.caf\"' <<<\"$out\" && \
grep -q 'rejected, exit 2' <<<\"$out\" && \
grep -q 'Button #serverButton \"Staging box\"' <<<\"$out\" && \
grep -q '^progress: ' <<<\"$out\" && \
grep -q '^completed: Run accepted · run-1 · job-1' <<<\"$out\" && \
grep -q 'sites/sample/project/project/public/index.html' <<<\"$out\" && \
grep -q 'exit code 0' <<<\"$out\""
                 ${CMAKE_SOURCE_DIR}/scripts/demo ${CMAKE_BINARY_DIR})
set_tests_properties(MainJobDemo.RunsTheProgramsOnTheSamples PROPERTIES TIMEOUT 120)
