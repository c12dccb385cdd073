# Checks the build prerequisites; installs the missing ones with apt-get when run as root,
# otherwise stops with one line naming what to install. With the argument "mpi" it also wants
# Open MPI, which only sbtool-mpi and its tests need: installed when run as root, otherwise
# named in one line without stopping (the build leaves sbtool-mpi out, its tests say skipped).
# Not checked, as no test needs them: help2man (the manual pages are left out without it),
# dpkg-deb (tools/check-package.sh) and clang (tools/run-fuzz.sh), whose scripts say when they
# skip a step for want of them.
ensure_prerequisites() {
    local missing=() optional=()
    command -v cmake >/dev/null || missing+=(cmake)
    command -v g++ >/dev/null || missing+=(g++)
    command -v cc >/dev/null || missing+=(gcc)
    command -v as >/dev/null || missing+=(binutils)
    [ -f /usr/include/gtest/gtest.h ] || missing+=(libgtest-dev)
    [ -f /usr/include/benchmark/benchmark.h ] || missing+=(libbenchmark-dev)
    if [ "${1:-}" = mpi ]; then
        command -v mpirun >/dev/null || optional+=(openmpi-bin)
        compgen -G "/usr/lib/*/openmpi/include/mpi.h" >/dev/null || optional+=(libopenmpi-dev)
    fi
    local all=("${missing[@]}" "${optional[@]}")
    [ ${#all[@]} -eq 0 ] && return 0
    if [ "$(id -u)" = 0 ] && command -v apt-get >/dev/null; then
        echo "installing ${all[*]}"
        apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${all[@]}" >/dev/null
        return 0
    fi
    if [ ${#missing[@]} -ne 0 ]; then
        echo "missing prerequisites: install them with: sudo apt-get install ${all[*]}"
        exit 1
    fi
    echo "Open MPI not found (sbtool-mpi needs an MPI library): install it with: sudo apt-get install ${optional[*]}"
}
