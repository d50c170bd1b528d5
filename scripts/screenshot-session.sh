# Sourced by the screenshot scripts once BUILD_WIN is set: Wine's environment
# for that build on a private Xvfb screen, and a cleanup on exit that also
# ends the program (or setup) started into QUELMAR_APP_PID.
. scripts/wine-env.sh
QUELMAR_APP_PID=""
cleanup() {
  if [ -n "$QUELMAR_APP_PID" ]; then kill "$QUELMAR_APP_PID" 2>/dev/null || true; fi
  quelmar_env_cleanup
}
trap cleanup EXIT
quelmar_start_display private
quelmar_start_wine
