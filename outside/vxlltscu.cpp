// Stand-in for the printer family's image-processing library: the entry point the rendering
// library resolves when a colour job asks for image processing. It processes nothing.
extern "C" __declspec(dllexport) int ZRK_img_proc_ex_2()
{
    return 0;
}
