# The launcher tests let a fake child answer through the PostReply tool.
add_dependencies(test_programs PostReply)
