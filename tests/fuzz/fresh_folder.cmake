# Empties the folder FOLDER (creating it when missing): cmake -DFOLDER=<path> -P fresh_folder.cmake
file(REMOVE_RECURSE "${FOLDER}")
file(MAKE_DIRECTORY "${FOLDER}")
