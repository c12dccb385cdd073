# Checks the build prerequisites; installs the missing ones with apt-get when run as root,
# otherwise stops with one line naming what to install.
ensure_prerequisites() {
    local missing=()
    command -v cmake >/dev/null || missing+=(cmake)
    command -v g++ >/dev/null || missing+=(g++)
    command -v cc >/dev/null || missing+=(gcc)
    command -v as >/dev/null || missing+=(binutils)
    [ -f /usr/include/gtest/gtest.h ] || missing+=(libgtest-dev)
    [ -f /usr/include/benchmark/benchmark.h ] || missing+=(libbenchmark-dev)
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" = 0 ] && command -v apt-get >/dev/null; then
        echo "installing ${missing[*]}"
        apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
        return 0
    fi
    echo "missing prerequisites: install them with: sudo apt-get install ${missing[*]}"
    exit 1
}
