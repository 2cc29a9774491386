# cmake -DPYTHON=... -DGENERATOR=.../gen_sample_bank.py -DOUT=<sample dir> -P EnsureSample.cmake
# Generates the sample bank into OUT unless its manifest is already there.
if(NOT EXISTS "${OUT}/GKSample.manifest.json")
  execute_process(COMMAND "${PYTHON}" -B "${GENERATOR}" --quiet --out "${OUT}" RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "generating the sample bank into ${OUT} failed (${rc})")
  endif()
endif()
