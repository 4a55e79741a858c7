# cmake -DFROM=DIR -DTO=DIR -P fresh_copy.cmake: TO becomes a copy of FROM and
# nothing else; what an earlier run wrote there goes.
file(REMOVE_RECURSE ${TO})
file(COPY ${FROM}/ DESTINATION ${TO})
