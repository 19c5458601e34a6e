/* A "libcurl.so.4" that loads but holds only the first entry point the
   program looks up: a loader that hands it out as loaded lets the program
   call through a null pointer. */
long curl_global_init(long flags)
{
    (void)flags;
    return 0;
}
