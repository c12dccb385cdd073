# CTest labels of the discovered tests, included by CTest after a test program's tests are
# added (the tests' names are in `discovered`). Every test is either `unit` (it calls the code
# in its own process, or in a child it forks) or `end-to-end` (it starts the built prgs1, sbtool
# or sbtool-mpi); `mpi` marks the tests that run sbtool-mpi under mpirun, `slow` those that took
# more than 10 s in either of two runs of the sanitizer build with -j2 on the 2-core development
# machine (up to about 16 s in the optimised build, the others less). The Best tests pay for the
# real search that several suites share the first time it runs.
set(end_to_end_tests
    "^(Best|BundledLists|CheckRealRun|EmitRealRun|Exhaustive|Failures|Prgs1CommandLine|Resume)\\."
    "^(RunSearchScript|SbtoolProgram|Status|Versions|ClusterJobs|Lists/ClusterSearch)\\."
    "^SbtoolSearch\\.(SameResultsWithOneAndSeveralThreads|RaisedLimitsReachWhatTheDefaultsCannot)$"
    "^SbtoolSearch\\.CtrlCLeavesCompleteRecords$"
    "^Report\\.SeveralFilesNameTheirRecords$"
    "^Find\\.(RaisedMemberReachesWhatTheDefaultsCannot|SameFindingsOnAnyThreadsAndAfterAStop)$" "^FindJobs\\.")
set(mpi_tests "^(ClusterJobs|Lists/ClusterSearch|FindJobs)\\.")
set(slow_tests
    "^Lists/ClusterSearch\\.WritesWhatTheSequentialSearchWrites/(ThreeSboxes|OneSbox|Exhaustive)( |$)"
    "^ClusterJobs\\.StoppedJobsLeaveCleanFilesAndGoOn$"
    "^Resume\\.StoppedRunsEndAsIfNeverStopped$"
    "^SbtoolSearch\\.(RaisedLimitsReachWhatTheDefaultsCannot|SameResultsWithOneAndSeveralThreads)$"
    "^Resume\\.RefusesWhatDoesNotMatch$"
    "^Best\\.(RealRunListsEachReachedSboxOnce|JsonHoldsEveryLineWithItsProgram)$"
    "^ParallelSearch\\.(OneSboxTwoPasses|FewSboxesOnePass)$"
    "^Exhaustive\\.CoversWhatGatedPassesReach$"
    "^Find\\.(RaisedMemberReachesWhatTheDefaultsCannot|SameFindingsOnAnyThreadsAndAfterAStop)$" "^FindJobs\\.")

# Whether name matches one of the patterns in the list named by patterns.
function(matches_any name patterns result)
  set(${result} FALSE PARENT_SCOPE)
  foreach(pattern IN LISTS ${patterns})
    if(name MATCHES "${pattern}")
      set(${result} TRUE PARENT_SCOPE)
    endif()
  endforeach()
endfunction()

foreach(test IN LISTS discovered)
  matches_any("${test}" end_to_end_tests end_to_end)
  if(end_to_end)
    set(labels end-to-end)
  else()
    set(labels unit)
  endif()
  matches_any("${test}" mpi_tests mpi)
  if(mpi)
    list(APPEND labels mpi)
  endif()
  matches_any("${test}" slow_tests slow)
  if(slow)
    list(APPEND labels slow)
  endif()
  set_tests_properties("${test}" PROPERTIES LABELS "${labels}")
endforeach()
