# Sourced by the daemon's shell tests: a scratch folder and the background processes started in
# it (append each pid to `pids`), all of them gone when the test ends, however it ends.
scratch=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT
