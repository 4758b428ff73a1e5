# Draws the program's icons and its screenshot with invited-render itself:
# the invitation's first word, cut square from a full frame for the icons.
# Run by the target `icons`; the results are committed.
#   cmake -DRENDER=<invited-render> -DFFMPEG=<ffmpeg> -DOUT=<resources/desktop> -P Icons.cmake
cmake_minimum_required(VERSION 3.25)

set(at 38.01)
set(frame ${OUT}/frame.png)
execute_process(COMMAND ${RENDER} frame --at ${at} --size 1920x1080 --seed 1 ${frame}
                COMMAND_ERROR_IS_FATAL ANY)
foreach(size 48 128 256)
  file(MAKE_DIRECTORY ${OUT}/icons/${size}x${size})
  execute_process(
    COMMAND ${FFMPEG} -loglevel error -y -i ${frame}
            -vf crop=480:480,scale=${size}:${size}:flags=lanczos
            ${OUT}/icons/${size}x${size}/org.invited.Invited.png
    COMMAND_ERROR_IS_FATAL ANY)
endforeach()
execute_process(COMMAND ${RENDER} frame --at ${at} --size 1280x720 --seed 1 ${OUT}/screenshot.png
                COMMAND_ERROR_IS_FATAL ANY)
file(REMOVE ${frame})
