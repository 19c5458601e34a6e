# The store's tests run the workstation-file tool.
add_dependencies(test_programs MakeICod)
