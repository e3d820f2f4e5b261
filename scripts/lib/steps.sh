# shellcheck shell=bash
# The steps of a long command, each under a "== " heading and timed, and
# some of them beside the others. However the command ends, it ends with a
# table of its steps and their seconds, up to the step that failed. Functions
# only: sourcing this file runs nothing; steps_begin sets the table up.

steps_names=() # in the order they started
declare -A steps_started steps_ended steps_status steps_pid steps_log
steps_current="" # the step in the foreground

steps_now() { echo "${EPOCHREALTIME/[.,]/}"; } # microseconds

# Begins the step HEADING in the foreground, ending the one before.
steps_begin() {
  [ ${#steps_names[@]} -gt 0 ] || { steps_first=$(steps_now) && trap steps_finish EXIT; }
  steps_end_current 0
  steps_current=$1
  steps_names+=("$1")
  steps_started[$1]=$(steps_now)
  echo "== $1"
}

# Ends the step in the foreground with STATUS.
steps_end_current() {
  [ -n "$steps_current" ] || return 0
  steps_ended[$steps_current]=$(steps_now)
  steps_status[$steps_current]=$1
  steps_current=""
}

# Starts the step HEADING beside the steps that follow: COMMAND in the
# background, its output kept until steps_join shows it.
steps_beside() {
  local heading=$1 log
  shift
  [ ${#steps_names[@]} -gt 0 ] || { steps_first=$(steps_now) && trap steps_finish EXIT; }
  log=$(mktemp)
  steps_names+=("$heading")
  steps_started[$heading]=$(steps_now)
  steps_log[$heading]=$log
  echo "== $heading: started, beside the next steps"
  # The end is written by the step itself, not by whoever waits for it.
  (
    status=0
    "$@" || status=$?
    steps_now >"$log.end"
    exit "$status"
  ) >"$log" 2>&1 </dev/null &
  steps_pid[$heading]=$!
}

# Waits for the step HEADING that steps_beside started and shows its output;
# fails where it failed.
steps_join() {
  steps_end_current 0
  echo "== $1 (beside the steps since it started)"
  steps_wait "$1"
  return "${steps_status[$1]}"
}

# Waits for a step started beside the others, and shows its output.
steps_wait() {
  local log=${steps_log[$1]} status=0
  wait "${steps_pid[$1]}" || status=$?
  cat "$log"
  steps_ended[$1]=$(cat "$log.end" 2>/dev/null || steps_now)
  steps_status[$1]=$status
  rm -f "$log" "$log.end"
  unset 'steps_pid[$1]'
}

# At the end of the command, whatever ended it: waits for the steps still
# running beside (they clean up after themselves), then prints the table.
steps_finish() {
  local status=$? name
  steps_end_current "$status"
  for name in "${!steps_pid[@]}"; do
    echo "== $name (beside, waited for at the end)"
    steps_wait "$name"
  done
  echo "== Steps and their seconds"
  steps_width=9 # "All steps"
  for name in "${steps_names[@]}"; do
    ((${#name} + 9 <= steps_width)) || steps_width=$((${#name} + 9)) # with " (beside)"
  done
  for name in "${steps_names[@]}"; do
    steps_row "$name" $((steps_ended[$name] - steps_started[$name])) "${steps_status[$name]}"
  done
  steps_row "All steps" $(($(steps_now) - steps_first)) "$status"
  exit "$status"
}

# One row of the table: HEADING, MICROSECONDS, STATUS.
steps_row() {
  local beside="" result=""
  [ -z "${steps_log[$1]:-}" ] || beside=" (beside)"
  [ "$3" = 0 ] || result="  FAILED ($3)"
  printf '  %-*s %5d.%d s%s\n' "$steps_width" "$1$beside" $(($2 / 1000000)) $(($2 / 100000 % 10)) "$result"
}
