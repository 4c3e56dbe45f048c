<!DOCTYPE html>
<html>
<head><meta charset="utf-8"><title>Tolvane Flash Chat</title></head>
<body>
<h1>Tolvane Flash Chat</h1>
<p>The demo kit's chat main page. In a real kit the chat's web application answers here.</p>
</body>
</html>
