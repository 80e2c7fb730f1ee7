# Writes the page's service worker (OUT) from its template (TEMPLATE): the version is the first
# 16 hex digits of the SHA-256 of every file it keeps (FILES, in SITE), so that any change to the
# page makes a new version, and the same files the same version.
set(joined "")
set(quoted "")
foreach(name ${FILES})
  file(SHA256 ${SITE}/${name} hash)
  string(APPEND joined "${name} ${hash}\n")
  if(quoted)
    string(APPEND quoted ", ")
  endif()
  string(APPEND quoted "'${name}'")
endforeach()
string(SHA256 version "${joined}")
string(SUBSTRING ${version} 0 16 VELKAR_PAGE_VERSION)
set(VELKAR_PAGE_FILES ${quoted})
configure_file(${TEMPLATE} ${OUT} @ONLY)
