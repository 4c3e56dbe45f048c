# Whether a step that ships the kit's programs signs them: when TOLVANE_SIGN_CERT names the kit
# maker's certificate, scripts/sign.sh signs with it. Set but empty, the variable is taken for a
# certificate that did not arrive (a release's secret, say) rather than for a wish to build
# unsigned; with TOLVANE_SIGN_REQUIRED set (other than 0) nothing is shipped unsigned.
function(tolvane_kit_signs result what)
  if(NOT "$ENV{TOLVANE_SIGN_CERT}" STREQUAL "")
    set(${result} TRUE PARENT_SCOPE)
  elseif(DEFINED ENV{TOLVANE_SIGN_CERT})
    message(FATAL_ERROR "TOLVANE_SIGN_CERT is set but empty, so ${what} would be unsigned: "
                        "name the certificate, or unset the variable to build unsigned")
  elseif(NOT "$ENV{TOLVANE_SIGN_REQUIRED}" MATCHES "^0?$")
    message(FATAL_ERROR "TOLVANE_SIGN_REQUIRED is set, but no TOLVANE_SIGN_CERT names a "
                        "certificate: ${what} would be unsigned")
  else()
    set(${result} FALSE PARENT_SCOPE)
  endif()
endfunction()
