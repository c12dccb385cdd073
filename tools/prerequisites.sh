# Checks the build prerequisites; installs the missing ones with apt-get when run as root,
# otherwise stops with one line naming what to install. With the argument "mpi" it also wants
# Open MPI, which only sbtool-mpi and its tests need, and with "python" pybind11, Python's
# headers and pytest for Debian's python3, which only the Python module and its tests need:
# installed when run as root, otherwise named in one line each without stopping (the build
# leaves sbtool-mpi or the module out, and says so).
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
    local mpi=() python=() wanted
    for wanted in "$@"; do
        if [ "$wanted" = mpi ]; then
            command -v mpirun >/dev/null || mpi+=(openmpi-bin)
            compgen -G "/usr/lib/*/openmpi/include/mpi.h" >/dev/null || mpi+=(libopenmpi-dev)
        elif [ "$wanted" = python ]; then
            [ -f /usr/include/pybind11/pybind11.h ] || python+=(pybind11-dev)
            [ -d /usr/lib/python3/dist-packages/pybind11 ] || python+=(python3-pybind11)
            [ -d /usr/lib/python3/dist-packages/pytest ] || python+=(python3-pytest)
            compgen -G "/usr/include/python3*/Python.h" >/dev/null || python+=(python3-dev)
        fi
    done
    optional=("${mpi[@]}" "${python[@]}")
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
    [ ${#mpi[@]} -eq 0 ] ||
        echo "Open MPI not found (sbtool-mpi needs an MPI library): install it with: sudo apt-get install ${mpi[*]}"
    [ ${#python[@]} -eq 0 ] ||
        echo "pybind11 or pytest not found (the Python module needs them): install them with: sudo apt-get install ${python[*]}"
}
