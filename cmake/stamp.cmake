# Writes a header whose text changes on every build, so that the file including it is
# compiled again and its __DATE__ and __TIME__ are those of this build.
string(TIMESTAMP now "%Y-%m-%dT%H:%M:%S")
file(WRITE ${OUT} "// ${now}\n")
