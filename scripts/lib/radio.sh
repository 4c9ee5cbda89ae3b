# shellcheck shell=bash
# Sourced by the scripts that run a simulated radio beside the Updater: starting radio-sim on a
# pseudo-terminal of its own and reading that terminal's path, waiting (bounded) for a file,
# and stopping the radio again.

# wait_for_file FILE SECONDS [PID]: true once FILE is not empty; false after SECONDS, or at once
# when process PID (if given) has ended without writing it.
wait_for_file() {
  local file=$1 tenths=$(($2 * 10)) pid=${3:-}
  while ((tenths-- > 0)); do
    [[ -s $file ]] && return 0
    [[ -z $pid ]] || kill -0 "$pid" 2>/dev/null || { [[ -s $file ]]; return; }
    sleep 0.1
  done
  [[ -s $file ]]
}

# radio_start PREFIX SIM [OPTIONS...]: starts the simulated radio SIM with OPTIONS, its standard
# output in PREFIX.out and its messages in PREFIX.err. Sets radio_pid and radio_port (the
# terminal the Updater opens); false, with the radio ended, when it showed no terminal within
# 10 s.
radio_start() {
  local prefix=$1 sim=$2
  shift 2
  "$sim" "$@" >"$prefix.out" 2>"$prefix.err" &
  radio_pid=$!
  radio_port=""
  wait_for_file "$prefix.out" 10 "$radio_pid" && radio_port=$(head -n 1 "$prefix.out")
  [[ -n $radio_port ]] && return 0
  # A radio that shows no terminal is of no use: it is not left behind.
  kill "$radio_pid" 2>/dev/null || true
  wait "$radio_pid" 2>/dev/null || true
  return 1
}

# radio_stop PID [SECONDS]: waits up to SECONDS (default 5) for a radio started with --once to
# end by itself (it does after the end command), then tells it to stop; returns its status, so
# true when its checks held.
radio_stop() {
  local pid=$1 tenths=$((${2:-5} * 10)) status=0
  while ((tenths-- > 0)) && kill -0 "$pid" 2>/dev/null; do sleep 0.1; done
  kill -0 "$pid" 2>/dev/null && kill -TERM "$pid" 2>/dev/null
  wait "$pid" || status=$?
  return "$status"
}
