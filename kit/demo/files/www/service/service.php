<?php
// The demo kit's chat service entry point, opened in the IDE by "Start the development (PHP)".
echo "Tolvane Chat service";
